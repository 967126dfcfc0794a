#pragma once

#include "crypto/OpenSSLHandles.h"
#include "encoding/SecretBytes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct RSAKeyInfo;
struct ECKeyInfo;

// A library key with its type and size; owns the key. The PIV key operations take it apart.
struct KeyInfo {
    KeyInfo(std::string keyType, int32_t keyBits, EvpPkeyPtr ownedKey)
        : type(std::move(keyType)), bits(keyBits), key(std::move(ownedKey)) {}
    virtual ~KeyInfo() = default;
    KeyInfo(const KeyInfo&) = delete;
    KeyInfo& operator=(const KeyInfo&) = delete;

    virtual bool isRSA() const = 0;
    virtual bool isEC() const = 0;
    virtual RSAKeyInfo* asRSA() = 0;
    virtual ECKeyInfo* asEC() = 0;

    std::string type; // "RSA" or "EC"
    int32_t bits;
    EvpPkeyPtr key;
};

// Components as minimal big-endian magnitudes; empty when the key lacks them.
struct RSAKeyInfo : KeyInfo {
    using KeyInfo::KeyInfo;

    bool isRSA() const override { return true; }
    bool isEC() const override { return false; }
    RSAKeyInfo* asRSA() override { return this; }
    ECKeyInfo* asEC() override { return nullptr; }

    std::vector<uint8_t> modulus;
    std::vector<uint8_t> publicExponent;
    SecretBytes prime1;
    SecretBytes prime2;
    SecretBytes exponent1;
    SecretBytes exponent2;
    SecretBytes coefficient;
};

// The private scalar as a minimal big-endian magnitude; empty for a public key.
struct ECKeyInfo : KeyInfo {
    using KeyInfo::KeyInfo;

    bool isRSA() const override { return false; }
    bool isEC() const override { return true; }
    RSAKeyInfo* asRSA() override { return nullptr; }
    ECKeyInfo* asEC() override { return this; }

    SecretBytes privateKey;
};

// True for RSA, false for EC; OpenSSLException "Unknown key type" otherwise.
bool isRSAKey(const EVP_PKEY& key);

// Take the key over and describe it; the caller picks the one that isRSAKey names.
std::unique_ptr<KeyInfo> makeRSAKeyInfo(EvpPkeyPtr key);
std::unique_ptr<KeyInfo> makeECKeyInfo(EvpPkeyPtr key);

// The one of the two that isRSAKey names; OpenSSLException "Unknown key type" for others.
std::unique_ptr<KeyInfo> describedKey(EvpPkeyPtr key);
