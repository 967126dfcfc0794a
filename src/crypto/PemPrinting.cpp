#include "crypto/PemPrinting.h"

#include "crypto/MemoryBioText.h"
#include "crypto/OpenSSLException.h"

#include <openssl/pem.h>

std::string printCertificateRequest(const X509_REQ& request) {
    BioPtr bio = newMemoryBio();
    if (PEM_write_bio_X509_REQ(bio.get(), &request) != 1) {
        throw OpenSSLException("Could not print certificate signing request");
    }
    return memoryBioText(*bio);
}

std::string printCertificate(const X509& certificate) {
    BioPtr bio = newMemoryBio();
    if (PEM_write_bio_X509(bio.get(), &certificate) != 1) {
        throw OpenSSLException("Could not print X509 certificate");
    }
    return memoryBioText(*bio);
}

std::string printPublicKey(const EVP_PKEY& key) {
    BioPtr bio = newMemoryBio();
    if (PEM_write_bio_PUBKEY(bio.get(), &key) != 1) {
        throw OpenSSLException("Could not print X509 public key");
    }
    return memoryBioText(*bio);
}
