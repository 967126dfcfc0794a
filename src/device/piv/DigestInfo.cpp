#include "device/piv/DigestInfo.h"

#include "crypto/OpenSSLException.h"
#include "crypto/OpenSSLHandles.h"

#include <openssl/err.h>
#include <openssl/objects.h>
#include <stdexcept>

namespace {

// DER of the DigestInfo { algorithm with NULL parameters, digest }.
std::vector<uint8_t> digestInfo(HashType hashType, std::span<const uint8_t> digest) {
    const X509SigPtr sig(X509_SIG_new());
    if (!sig) {
        throw OpenSSLException("Failed to create X509 digest info");
    }
    X509_ALGOR* algorithm = nullptr;
    ASN1_OCTET_STRING* digestString = nullptr;
    X509_SIG_getm(sig.get(), &algorithm, &digestString);
    const EVP_MD* md = digestForHashType(hashType);
    if (X509_ALGOR_set0(algorithm, OBJ_nid2obj(EVP_MD_type(md)), V_ASN1_NULL, nullptr) != 1) {
        throw OpenSSLException("Failed to set X509 algorithm");
    }
    if (ASN1_OCTET_STRING_set(digestString, digest.data(), static_cast<int>(digest.size())) != 1) {
        throw OpenSSLException("Failed to set X509 digest");
    }
    const int length = i2d_X509_SIG(sig.get(), nullptr);
    if (length <= 0) {
        throw std::runtime_error("Failed to get DER encoding of the X509 digest info");
    }
    std::vector<uint8_t> encoded(static_cast<size_t>(length));
    uint8_t* out = encoded.data();
    i2d_X509_SIG(sig.get(), &out);
    return encoded;
}

} // namespace

const EVP_MD* digestForHashType(HashType hashType) {
    switch (hashType) {
    case HashType::Sha1:
        return EVP_sha1();
    case HashType::Sha256:
        return EVP_sha256();
    case HashType::Sha512:
        return EVP_sha512();
    }
    throw std::runtime_error("Unsupported hash function");
}

std::vector<uint8_t> encodePkcs1DigestInfo(int32_t bits, HashType hashType,
                                           std::span<const uint8_t> digest) {
    ERR_clear_error();
    const std::vector<uint8_t> info = digestInfo(hashType, digest);
    std::vector<uint8_t> block(static_cast<size_t>(bits / 8));
    if (RSA_padding_add_PKCS1_type_1(block.data(), static_cast<int>(block.size()), info.data(),
                                     static_cast<int>(info.size())) != 1) {
        throw OpenSSLException("RSA padding failed");
    }
    return block;
}
