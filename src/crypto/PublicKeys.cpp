#include "crypto/PublicKeys.h"

#include "crypto/OpenSSLException.h"

#include <limits>
#include <openssl/err.h>
#include <openssl/objects.h>

namespace {

EvpPkeyPtr newEvpPkey() {
    EvpPkeyPtr key(EVP_PKEY_new());
    if (!key) {
        throw OpenSSLException("Unable to create EVP_PKEY structure");
    }
    return key;
}

BignumPtr bignumOf(std::span<const uint8_t> bytes, const char* failure) {
    if (bytes.size() > static_cast<size_t>(std::numeric_limits<int>::max())) {
        throw OpenSSLException(failure);
    }
    BignumPtr number(BN_bin2bn(bytes.data(), static_cast<int>(bytes.size()), nullptr));
    if (!number) {
        throw OpenSSLException(failure);
    }
    return number;
}

// Named curve, so that the key is written with the curve's identifier, not its parameters.
EcGroupPtr namedCurve(const std::string& curveName) {
    EcGroupPtr group(EC_GROUP_new_by_curve_name(EC_curve_nist2nid(curveName.c_str())));
    if (!group) {
        throw OpenSSLException("Failed to create EC group");
    }
    EC_GROUP_set_asn1_flag(group.get(), OPENSSL_EC_NAMED_CURVE);
    return group;
}

} // namespace

// Modulus before exponent, the order RSA states them in.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
EvpPkeyPtr makeRSAPublicKey(std::span<const uint8_t> modulus, std::span<const uint8_t> exponent) {
    ERR_clear_error();
    EvpPkeyPtr key = newEvpPkey();
    BignumPtr n = bignumOf(modulus, "Failed to init public key modulus bignumber");
    BignumPtr e = bignumOf(exponent, "Failed to init public key exponent bignumber");
    RsaPtr rsa(RSA_new());
    if (!rsa) {
        throw OpenSSLException("Failed to create RSA context");
    }
    if (RSA_set0_key(rsa.get(), n.get(), e.get(), nullptr) != 1) {
        throw OpenSSLException("Failed to set RSA key");
    }
    static_cast<void>(n.release());
    static_cast<void>(e.release());
    if (EVP_PKEY_assign(key.get(), EVP_PKEY_RSA, rsa.get()) == 0) {
        throw OpenSSLException("Unable to assign RSA key");
    }
    static_cast<void>(rsa.release());
    return key;
}

EvpPkeyPtr makeECPublicKey(const std::string& curveName, std::span<const uint8_t> point) {
    ERR_clear_error();
    EvpPkeyPtr key = newEvpPkey();
    EcKeyPtr ecKey(EC_KEY_new());
    if (!ecKey) {
        throw OpenSSLException("Failed to create EC key");
    }
    const EcGroupPtr group = namedCurve(curveName);
    if (EC_KEY_set_group(ecKey.get(), group.get()) != 1) {
        throw OpenSSLException("Failed to set EC group");
    }
    const EcPointPtr publicPoint(EC_POINT_new(group.get()));
    if (!publicPoint) {
        throw OpenSSLException("Failed to create EC point");
    }
    if (EC_POINT_oct2point(group.get(), publicPoint.get(), point.data(), point.size(), nullptr) ==
        0) {
        throw OpenSSLException("Failed to set EC public point");
    }
    if (EC_KEY_set_public_key(ecKey.get(), publicPoint.get()) == 0) {
        throw OpenSSLException("Failed to set EC public key");
    }
    if (EVP_PKEY_assign(key.get(), EVP_PKEY_EC, ecKey.get()) == 0) {
        throw OpenSSLException("Unable to assign EC key");
    }
    static_cast<void>(ecKey.release());
    return key;
}
