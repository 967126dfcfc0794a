#include "crypto/KeyType.h"

#include "crypto/OpenSSLException.h"

#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/rsa.h>

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

std::string nistCurveName(const EVP_PKEY& key) {
    const EC_KEY* ec = EVP_PKEY_get0_EC_KEY(const_cast<EVP_PKEY*>(&key));
    const EC_GROUP* group = ec == nullptr ? nullptr : EC_KEY_get0_group(ec);
    const char* name =
        group == nullptr ? nullptr : EC_curve_nid2nist(EC_GROUP_get_curve_name(group));
    ERR_clear_error();
    return name == nullptr ? "" : name;
}

int32_t rsaPrimeCount(const EVP_PKEY& key) {
    const RSA* rsa = EVP_PKEY_get0_RSA(const_cast<EVP_PKEY*>(&key));
    ERR_clear_error();
    return rsa == nullptr ? 0 : 2 + RSA_get_multi_prime_extra_count(rsa);
}
