#include "crypto/SignatureChecks.h"

#include <openssl/err.h>

bool requestSignatureVerifies(X509_REQ& request) {
    EVP_PKEY* publicKey = X509_REQ_get0_pubkey(&request);
    const bool verified = publicKey != nullptr && X509_REQ_verify(&request, publicKey) == 1;
    ERR_clear_error();
    return verified;
}

bool certificateSignatureVerifies(X509& certificate) {
    EVP_PKEY* publicKey = X509_get0_pubkey(&certificate);
    const bool verified = publicKey != nullptr && X509_verify(&certificate, publicKey) == 1;
    ERR_clear_error();
    return verified;
}
