#include "crypto/ObjectParsing.h"

#include "crypto/OpenSSLException.h"

#include <limits>
#include <openssl/err.h>
#include <openssl/pem.h>

namespace {

// Read-only BIO over the caller's bytes: nothing is copied, so a private key leaves no copy.
BioPtr readOnlyBio(std::span<const uint8_t> data, const char* failure) {
    if (data.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
        throw OpenSSLException(failure);
    }
    BioPtr bio(BIO_new_mem_buf(data.data(), static_cast<int>(data.size())));
    if (!bio) {
        throw OpenSSLException(failure);
    }
    return bio;
}

// PEM first, then DER on a fresh BIO over the same bytes; the exception lists the errors of
// both attempts.
template <typename Handle, typename PemReader, typename DerReader>
// The two messages are named at each call.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
Handle parsePemOrDer(std::span<const uint8_t> data, const char* emptyMessage, const char* failure,
                     PemReader readPem, DerReader readDer) {
    if (data.empty()) {
        throw OpenSSLException(emptyMessage);
    }
    ERR_clear_error();
    Handle object(readPem(readOnlyBio(data, failure).get()));
    if (!object) {
        object.reset(readDer(readOnlyBio(data, failure).get()));
    }
    if (!object) {
        throw OpenSSLException(failure);
    }
    return object;
}

} // namespace

X509Ptr parseCertificate(std::span<const uint8_t> data) {
    return parsePemOrDer<X509Ptr>(
        data, "PEM certificate data must not be empty.", "Could not parse certificate",
        [](BIO* bio) { return PEM_read_bio_X509(bio, nullptr, nullptr, nullptr); },
        [](BIO* bio) { return d2i_X509_bio(bio, nullptr); });
}

X509ReqPtr parseCertificateRequest(std::span<const uint8_t> data) {
    if (data.empty()) {
        throw OpenSSLException("CSR data must not be empty.");
    }
    const char* failure = "Could not parse certificate signing request";
    X509ReqPtr request(
        PEM_read_bio_X509_REQ(readOnlyBio(data, failure).get(), nullptr, nullptr, nullptr));
    if (!request) {
        throw OpenSSLException(failure);
    }
    return request;
}

EvpPkeyPtr parsePrivateKey(std::span<const uint8_t> data) {
    return parsePemOrDer<EvpPkeyPtr>(
        data, "Key data must not be empty.", "Could not parse key",
        [](BIO* bio) { return PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr); },
        [](BIO* bio) { return d2i_PrivateKey_bio(bio, nullptr); });
}

EvpPkeyPtr parsePublicKey(std::span<const uint8_t> data) {
    return parsePemOrDer<EvpPkeyPtr>(
        data, "Public key data must not be empty.", "Could not parse public key",
        [](BIO* bio) { return PEM_read_bio_PUBKEY(bio, nullptr, nullptr, nullptr); },
        [](BIO* bio) { return d2i_PUBKEY_bio(bio, nullptr); });
}
