#include "crypto/OpenSSLException.h"
#include "device/piv/CardSigning.h"

namespace {

constexpr int contextIndex = 0;

EvpPkeyPtr newEvpPkey() {
    EvpPkeyPtr key(EVP_PKEY_new());
    if (!key) {
        throw OpenSSLException("Unable to create EVP_PKEY structure");
    }
    return key;
}

} // namespace

RsaMethodPtr makeCardRSAMethod(CardSigningContext& context) {
    RsaMethodPtr method(RSA_meth_dup(RSA_get_default_method()));
    if (!method) {
        throw OpenSSLException("Error creating RSA method");
    }
    if (RSA_meth_set0_app_data(method.get(), &context) != 1) {
        throw OpenSSLException("Error setting RSA data");
    }
    if (RSA_meth_set_sign(method.get(), rsaSignCallback) != 1) {
        throw OpenSSLException("Error setting RSA sign method");
    }
    return method;
}

EvpPkeyPtr makeCardRSAKey(const EVP_PKEY& publicKey, RSA_METHOD& method) {
    const RSA* rsa = EVP_PKEY_get0_RSA(&publicKey);
    RsaPtr copy(rsa == nullptr ? nullptr : RSAPublicKey_dup(rsa));
    if (!copy) {
        throw OpenSSLException("Failed to get RSA context");
    }
    // Set before the assignment, so that the library treats the key as one with its own
    // method and calls the sign callback.
    if (RSA_set_method(copy.get(), &method) != 1) {
        throw OpenSSLException("Error setting RSA key method");
    }
    EvpPkeyPtr key = newEvpPkey();
    if (EVP_PKEY_assign(key.get(), EVP_PKEY_RSA, copy.get()) == 0) {
        throw OpenSSLException("Unable to assign RSA key");
    }
    // The key owns the copy now.
    static_cast<void>(copy.release());
    return key;
}

EcKeyMethodPtr makeCardECKeyMethod() {
    EcKeyMethodPtr method(EC_KEY_METHOD_new(EC_KEY_get_default_method()));
    if (!method) {
        throw OpenSSLException("Error creating EC key method");
    }
    EC_KEY_METHOD_set_sign(method.get(), ecSignCallback, nullptr, nullptr);
    return method;
}

EvpPkeyPtr makeCardECKey(const EVP_PKEY& publicKey, CardSigningContext& context,
                         EC_KEY_METHOD& method) {
    const EC_KEY* ec = EVP_PKEY_get0_EC_KEY(&publicKey);
    EcKeyPtr copy(ec == nullptr ? nullptr : EC_KEY_dup(ec));
    if (!copy) {
        throw OpenSSLException("Failed to get EC key");
    }
    if (EC_KEY_set_ex_data(copy.get(), contextIndex, &context) != 1) {
        throw OpenSSLException("Failed to set EC data");
    }
    if (EC_KEY_set_method(copy.get(), &method) != 1) {
        throw OpenSSLException("Error setting EC key method");
    }
    EvpPkeyPtr key = newEvpPkey();
    if (EVP_PKEY_assign(key.get(), EVP_PKEY_EC, copy.get()) == 0) {
        throw OpenSSLException("Unable to assign EC key");
    }
    // The key owns the copy now.
    static_cast<void>(copy.release());
    return key;
}
