#include "crypto/KeyInfo.h"

#include "crypto/KeyType.h"
#include "crypto/OpenSSLException.h"

namespace {

// Minimal big-endian magnitude of a component; empty when the key lacks it.
template <typename Bytes> Bytes componentBytes(const BIGNUM* number) {
    Bytes bytes;
    if (number != nullptr) {
        bytes.resize(static_cast<size_t>(BN_num_bytes(number)));
        BN_bn2bin(number, bytes.data());
    }
    return bytes;
}

} // namespace

bool isRSAKey(const EVP_PKEY& key) {
    return keyTypeName(key) == "RSA";
}

std::unique_ptr<KeyInfo> makeRSAKeyInfo(EvpPkeyPtr key) {
    std::string type = keyTypeName(*key);
    const int32_t bits = keyBits(*key);
    const RSA* rsa = EVP_PKEY_get0_RSA(key.get());
    if (rsa == nullptr) {
        throw OpenSSLException("Failed to get RSA context");
    }
    const BIGNUM *n = nullptr, *e = nullptr, *p = nullptr, *q = nullptr;
    const BIGNUM *dmp1 = nullptr, *dmq1 = nullptr, *iqmp = nullptr;
    RSA_get0_key(rsa, &n, &e, nullptr);
    RSA_get0_factors(rsa, &p, &q);
    RSA_get0_crt_params(rsa, &dmp1, &dmq1, &iqmp);

    auto info = std::make_unique<RSAKeyInfo>(std::move(type), bits, std::move(key));
    info->modulus = componentBytes<std::vector<uint8_t>>(n);
    info->publicExponent = componentBytes<std::vector<uint8_t>>(e);
    info->prime1 = componentBytes<SecretBytes>(p);
    info->prime2 = componentBytes<SecretBytes>(q);
    info->exponent1 = componentBytes<SecretBytes>(dmp1);
    info->exponent2 = componentBytes<SecretBytes>(dmq1);
    info->coefficient = componentBytes<SecretBytes>(iqmp);
    return info;
}

std::unique_ptr<KeyInfo> makeECKeyInfo(EvpPkeyPtr key) {
    std::string type = keyTypeName(*key);
    const int32_t bits = keyBits(*key);
    const EC_KEY* ecKey = EVP_PKEY_get0_EC_KEY(key.get());
    if (ecKey == nullptr) {
        throw OpenSSLException("Failed to get EC key");
    }
    const BIGNUM* scalar = EC_KEY_get0_private_key(ecKey);

    auto info = std::make_unique<ECKeyInfo>(std::move(type), bits, std::move(key));
    info->privateKey = componentBytes<SecretBytes>(scalar);
    return info;
}

std::unique_ptr<KeyInfo> describedKey(EvpPkeyPtr key) {
    return isRSAKey(*key) ? makeRSAKeyInfo(std::move(key)) : makeECKeyInfo(std::move(key));
}
