#include "crypto/KeyType.h"

#include "crypto/OpenSSLException.h"

std::string keyTypeName(const EVP_PKEY& key) {
    switch (EVP_PKEY_base_id(&key)) {
    case EVP_PKEY_RSA:
        return "RSA";
    case EVP_PKEY_EC:
        return "EC";
    default:
        throw OpenSSLException("Unknown key type");
    }
}

int32_t keyBits(const EVP_PKEY& key) {
    const int bits = EVP_PKEY_bits(&key);
    if (bits <= 0) {
        throw OpenSSLException("Failed to get key length");
    }
    return bits;
}
