#include "PivCard.h"
#include "crypto/KeyInfo.h"
#include "crypto/OpenSSLHandles.h"
#include "device/piv/Piv.h"
#include "device/transport/QuenlixKeyError.h"

#include <gtest/gtest.h>
#include <openssl/core_names.h>
#include <openssl/pem.h>

namespace {

const char* const reader = "Reader";
// The P-256 base point: a point on the curve.
const Bytes p256Point = bytesOf(
    "04 6B 17 D1 F2 E1 2C 42 47 F8 BC E6 E5 63 A4 40 F2 77 03 7D 81 2D EB 33 A0 F4 A1 39 45 D8 98 "
    "C2 96 4F E3 42 E2 FE 1A 7F 9B 8E E7 EB 4A 7C 0F 9E 16 2B CE 33 57 6B 31 5E CE CB B6 40 68 37 "
    "BF 51 F5");
const Bytes exponent = bytesOf("82 03 01 00 01");
const Bytes policies = bytesOf("AA 01 00 AB 01 01");

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// Tag, length in short, 81 or 82 form, value.
Bytes element(const Bytes& tag, const Bytes& value) {
    const auto size = static_cast<uint8_t>(value.size());
    const Bytes length = value.size() > 0xFF   ? Bytes{0x82, uint8_t(value.size() >> 8), size}
                         : value.size() > 0x7F ? Bytes{0x81, size}
                                               : Bytes{size};
    return join({tag, length, value});
}

Bytes answer(const Bytes& publicKeyElements) {
    return join({element(bytesOf("7F 49"), publicKeyElements), bytesOf("90 00")});
}

Bytes rsaModulus(size_t bytes) {
    Bytes modulus(bytes, 0x5B);
    modulus.front() = 0xC3;
    return modulus;
}

EvpPkeyPtr ecKey(const char* curve) {
    return EvpPkeyPtr(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", curve));
}

EvpPkeyPtr rsaKey(size_t bits) {
    return EvpPkeyPtr(EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", bits));
}

EvpPkeyPtr threePrimeRsaKey() {
    const std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> context(
        EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr), EVP_PKEY_CTX_free);
    EVP_PKEY* key = nullptr;
    EXPECT_EQ(EVP_PKEY_keygen_init(context.get()), 1);
    EXPECT_EQ(EVP_PKEY_CTX_set_rsa_keygen_bits(context.get(), 2048), 1);
    EXPECT_EQ(EVP_PKEY_CTX_set_rsa_keygen_primes(context.get(), 3), 1);
    EXPECT_EQ(EVP_PKEY_keygen(context.get(), &key), 1);
    return EvpPkeyPtr(key);
}

Bytes fileOf(const EVP_PKEY& key, bool pem) {
    const BioPtr bio(BIO_new(BIO_s_mem()));
    pem ? PEM_write_bio_PrivateKey(bio.get(), &key, nullptr, nullptr, 0, nullptr, nullptr)
        : i2d_PrivateKey_bio(bio.get(), &key);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return Bytes(data, data + length);
}

// The components in the order the card takes them, each in its minimal length.
Bytes components(const EVP_PKEY& key, const std::vector<const char*>& names) {
    Bytes all;
    for (size_t i = 0; i < names.size(); ++i) {
        BIGNUM* raw = nullptr;
        EVP_PKEY_get_bn_param(&key, names[i], &raw);
        const BignumPtr number(raw);
        Bytes value(static_cast<size_t>(BN_num_bytes(number.get())));
        BN_bn2bin(number.get(), value.data());
        const uint8_t tag = names.size() == 1 ? 0x06 : static_cast<uint8_t>(i + 1);
        all = join({all, element({tag}, value)});
    }
    return join({all, policies});
}

const std::vector<const char*> rsaNames = {
    OSSL_PKEY_PARAM_RSA_FACTOR1, OSSL_PKEY_PARAM_RSA_FACTOR2, OSSL_PKEY_PARAM_RSA_EXPONENT1,
    OSSL_PKEY_PARAM_RSA_EXPONENT2, OSSL_PKEY_PARAM_RSA_COEFFICIENT1};
const std::vector<const char*> ecNames = {OSSL_PKEY_PARAM_PRIV_KEY};

// Header (INS P1 P2) and data of a command sent in chained parts, parts checked on the way.
Bytes joinedCommand(const std::vector<Bytes>& parts) {
    Bytes joined(parts.back().begin() + 1, parts.back().begin() + 4);
    for (size_t i = 0; i < parts.size(); ++i) {
        EXPECT_EQ(parts[i][0], i + 1 < parts.size() ? 0x10 : 0x00);
        EXPECT_EQ(parts[i][4], parts[i].size() - 5);
        joined.insert(joined.end(), parts[i].begin() + 5, parts[i].end());
    }
    return joined;
}

} // namespace

TEST(PivKeys, GenerateSendsTheTemplateAndReadsThePublicKey) {
    const std::string generate9A = "00 47 00 9A 0B AC 03 80 01 11 AA 01 00 AB 01 01";
    const std::string rsa2048In95 = "00 47 00 95 0B AC 03 80 01 07 AA 01 00 AB 01 01";
    Bytes offCurve = p256Point;
    offCurve.back() ^= 0x01;
    // clang-format off
    struct Case {
        std::string name;
        uint8_t slot;
        uint8_t algorithm;
        // The card's answer to GENERATE.
        Bytes generated;
        int32_t code;
        // The commands after authentication.
        std::vector<std::string> apdus;
    };
    const Case cases[] = {
        {"P-256 in 9A", 0x9A, 0x11, answer(element({0x86}, p256Point)), 0, {generate9A}},
        {"RSA-2048 in 95", 0x95, 0x07, answer(join({element({0x81}, rsaModulus(256)), exponent})), 0,
         {rsa2048In95}},
        {"no template", 0x9A, 0x11, bytesOf("7F 48 00 90 00"), QUENLIX_KEY_ERROR_INVALID_RESPONSE,
         {generate9A}},
        {"point off the curve", 0x9A, 0x11, answer(element({0x86}, offCurve)),
         QUENLIX_KEY_ERROR_INVALID_RESPONSE, {generate9A}},
        {"RSA-1024 modulus for RSA-2048", 0x95, 0x07,
         answer(join({element({0x81}, rsaModulus(128)), exponent})),
         QUENLIX_KEY_ERROR_INVALID_RESPONSE, {rsa2048In95}},
        {"slot 96", 0x96, 0x11, {}, QUENLIX_KEY_ERROR_INVALID_ARGUMENT, {}},
        {"algorithm 08", 0x9A, 0x08, {}, QUENLIX_KEY_ERROR_INVALID_ARGUMENT, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PivCard card;
        card.queue({witnessAnswer, "90 00"});
        card.queued.push_back(c.generated);
        KeyInfo* key = nullptr;
        EXPECT_EQ(piv_generateKeyPair(reader, defaultManagementKey, c.slot, c.algorithm, &key),
                  c.code);
        EXPECT_EQ(card.sentAfterSelect(), bytesOfAll(afterAuthentication(c.apdus)));
        ASSERT_EQ(key != nullptr, c.code == 0);
        if (key != nullptr) {
            EXPECT_EQ(key->bits, c.algorithm == 0x11 ? 256 : 2048);
            EXPECT_EQ(key->type, c.algorithm == 0x11 ? "EC" : "RSA");
            if (RSAKeyInfo* rsa = key->asRSA()) {
                EXPECT_EQ(rsa->modulus, rsaModulus(256));
                EXPECT_EQ(rsa->publicExponent, bytesOf("01 00 01"));
                EXPECT_TRUE(rsa->prime1.empty());
            }
        }
        piv_freeKeyInfo(key);
    }
}

TEST(PivKeys, ImportSendsTheComponentsInMinimalLength) {
    const EvpPkeyPtr p256 = ecKey("P-256");
    const EvpPkeyPtr p521 = ecKey("P-521");
    const EvpPkeyPtr rsa2048 = rsaKey(2048);
    struct Case {
        std::string name;
        uint8_t slot;
        Bytes file;
        int32_t code;
        // INS P1 P2 and the data of the import; empty when none is sent.
        Bytes command;
    };
    const Case cases[] = {
        {"P-256 PEM into 9D", 0x9D, fileOf(*p256, true), 0,
         join({bytesOf("FE 11 9D"), components(*p256, ecNames)})},
        {"RSA-2048 DER into 9A, chained", 0x9A, fileOf(*rsa2048, false), 0,
         join({bytesOf("FE 07 9A"), components(*rsa2048, rsaNames)})},
        {"P-521 has no algorithm",
         0x9A,
         fileOf(*p521, true),
         QUENLIX_KEY_ERROR_INVALID_ARGUMENT,
         {}},
        // Of a size the card knows, but another key than the card's algorithm stands for.
        {"secp256k1",
         0x9A,
         fileOf(*ecKey("secp256k1"), true),
         QUENLIX_KEY_ERROR_INVALID_ARGUMENT,
         {}},
        {"brainpoolP256r1",
         0x9A,
         fileOf(*ecKey("brainpoolP256r1"), true),
         QUENLIX_KEY_ERROR_INVALID_ARGUMENT,
         {}},
        {"brainpoolP384r1",
         0x9A,
         fileOf(*ecKey("brainpoolP384r1"), false),
         QUENLIX_KEY_ERROR_INVALID_ARGUMENT,
         {}},
        {"RSA-2048 of three primes",
         0x9A,
         fileOf(*threePrimeRsaKey(), true),
         QUENLIX_KEY_ERROR_INVALID_ARGUMENT,
         {}},
        {"empty file", 0x9A, {}, QUENLIX_KEY_ERROR_INVALID_ARGUMENT, {}},
        {"slot 9B", 0x9B, fileOf(*p256, true), QUENLIX_KEY_ERROR_INVALID_ARGUMENT, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PivCard card;
        card.queue({witnessAnswer, "90 00", "90 00", "90 00", "90 00"});
        EXPECT_EQ(piv_importPrivateKey(reader, defaultManagementKey, c.slot,
                                       c.file.empty() ? policies.data() : c.file.data(),
                                       c.file.size()),
                  c.code);
        std::vector<Bytes> sent = card.sentAfterSelect();
        ASSERT_GE(sent.size(), 2u);
        EXPECT_EQ(Bytes(sent[1].begin(), sent[1].begin() + 4), bytesOf("00 87 03 9B"));
        sent.erase(sent.begin(), sent.begin() + 2);
        EXPECT_EQ(sent.empty() ? Bytes{} : joinedCommand(sent), c.command);
    }

    PivCard card;
    card.queue({"6A 80"});
    const Bytes file = fileOf(*p256, true);
    EXPECT_EQ(piv_importPrivateKey(reader, defaultManagementKey, 0x9A, file.data(), file.size()),
              QUENLIX_KEY_ERROR_AUTH);
    EXPECT_EQ(card.sentAfterSelect().size(), 1u) << "no key without the management key";
}
