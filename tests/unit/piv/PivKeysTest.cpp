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
const std::string authenticated = "7C 0A 81 08 00 11 22 33 44 55 66 77 90 00";

// The P-256 base point, a point every P-256 implementation accepts.
const std::string p256Point =
    "04 6B 17 D1 F2 E1 2C 42 47 F8 BC E6 E5 63 A4 40 F2 77 03 7D 81 "
    "2D EB 33 A0 F4 A1 39 45 D8 98 C2 96 4F E3 42 E2 FE 1A 7F 9B 8E "
    "E7 EB 4A 7C 0F 9E 16 2B CE 33 57 6B 31 5E CE CB B6 40 68 37 BF 51 F5";

Bytes tlv(uint8_t tag, const Bytes& value) {
    Bytes out{tag};
    if (value.size() > 0x7F) {
        out.push_back(0x81);
    }
    out.push_back(static_cast<uint8_t>(value.size()));
    out.insert(out.end(), value.begin(), value.end());
    return out;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// 7F49 answer holding the given elements.
Bytes publicKeyAnswer(const Bytes& elements) {
    Bytes answer = bytesOf("7F 49");
    if (elements.size() > 0xFF) {
        answer.push_back(0x82);
        answer.push_back(static_cast<uint8_t>(elements.size() >> 8));
    } else if (elements.size() > 0x7F) {
        answer.push_back(0x81);
    }
    answer.push_back(static_cast<uint8_t>(elements.size()));
    return concat({answer, elements, bytesOf("90 00")});
}

Bytes rsaModulus(size_t bytes) {
    Bytes modulus(bytes, 0x5B);
    modulus.front() = 0xC3;
    modulus.back() = 0x01;
    return modulus;
}

EvpPkeyPtr generatedKey(const char* type, const char* curve, size_t bits) {
    EVP_PKEY* key = curve != nullptr ? EVP_PKEY_Q_keygen(nullptr, nullptr, type, curve)
                                     : EVP_PKEY_Q_keygen(nullptr, nullptr, type, bits);
    return EvpPkeyPtr(key);
}

Bytes component(const EVP_PKEY& key, const char* name) {
    BIGNUM* raw = nullptr;
    EXPECT_EQ(EVP_PKEY_get_bn_param(&key, name, &raw), 1) << name;
    const BignumPtr number(raw);
    Bytes out(static_cast<size_t>(BN_num_bytes(number.get())));
    BN_bn2bin(number.get(), out.data());
    return out;
}

Bytes pemOf(const EVP_PKEY& key) {
    const BioPtr bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_PrivateKey(bio.get(), &key, nullptr, nullptr, 0, nullptr, nullptr);
    char* text = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &text);
    return Bytes(text, text + length);
}

Bytes derOf(const EVP_PKEY& key) {
    unsigned char* der = nullptr;
    const int length = i2d_PrivateKey(&key, &der);
    Bytes out(der, der + length);
    OPENSSL_free(der);
    return out;
}

const Bytes policies = bytesOf("AA 01 00 AB 01 01");

Bytes rsaComponents(const EVP_PKEY& key) {
    return concat({tlv(0x01, component(key, OSSL_PKEY_PARAM_RSA_FACTOR1)),
                   tlv(0x02, component(key, OSSL_PKEY_PARAM_RSA_FACTOR2)),
                   tlv(0x03, component(key, OSSL_PKEY_PARAM_RSA_EXPONENT1)),
                   tlv(0x04, component(key, OSSL_PKEY_PARAM_RSA_EXPONENT2)),
                   tlv(0x05, component(key, OSSL_PKEY_PARAM_RSA_COEFFICIENT1)), policies});
}

Bytes ecComponents(const EVP_PKEY& key) {
    return concat({tlv(0x06, component(key, OSSL_PKEY_PARAM_PRIV_KEY)), policies});
}

// The commands after authentication, chained parts joined: header of the last part and the
// whole data. Every part but the last must carry the chaining class.
std::pair<Bytes, Bytes> joinedCommand(const std::vector<Bytes>& commands) {
    Bytes data;
    for (size_t i = 0; i < commands.size(); ++i) {
        const Bytes& command = commands[i];
        EXPECT_EQ(command[0], i + 1 < commands.size() ? 0x10 : 0x00);
        EXPECT_EQ(command[4], command.size() - 5);
        data.insert(data.end(), command.begin() + 5, command.end());
    }
    return {Bytes(commands.back().begin() + 1, commands.back().begin() + 4), data};
}

} // namespace

TEST(PivKeys, GenerateSendsTheTemplateAndReadsThePublicKey) {
    struct Case {
        std::string name;
        uint8_t slot;
        uint8_t algorithm;
        Bytes answer;
        int32_t code;
        std::vector<std::string> afterAuthentication;
        std::string type;
        int32_t bits;
    };
    const std::string generate9A = "00 47 00 9A 0B AC 03 80 01 11 AA 01 00 AB 01 01";
    const Bytes rsaElements = concat({tlv(0x81, rsaModulus(256)), bytesOf("82 03 01 00 01")});
    const Case cases[] = {
        {"P-256 in 9A",
         0x9A,
         0x11,
         publicKeyAnswer(tlv(0x86, bytesOf(p256Point))),
         0,
         {generate9A},
         "EC",
         256},
        {"RSA-2048 in 95",
         0x95,
         0x07,
         publicKeyAnswer(rsaElements),
         0,
         {"00 47 00 95 0B AC 03 80 01 07 AA 01 00 AB 01 01"},
         "RSA",
         2048},
        {"no public key template",
         0x9A,
         0x11,
         bytesOf("7F 48 00 90 00"),
         QUENLIX_KEY_ERROR_INVALID_RESPONSE,
         {generate9A},
         "",
         0},
        {"point missing",
         0x9A,
         0x11,
         publicKeyAnswer(bytesOf("81 01 00")),
         QUENLIX_KEY_ERROR_INVALID_RESPONSE,
         {generate9A},
         "",
         0},
        {"point off the curve",
         0x9A,
         0x11,
         publicKeyAnswer(tlv(0x86, concat({bytesOf(p256Point.substr(0, 3 * 64)), {0x00}}))),
         QUENLIX_KEY_ERROR_INVALID_RESPONSE,
         {generate9A},
         "",
         0},
        {"P-256 point for P-384",
         0x9A,
         0x14,
         publicKeyAnswer(tlv(0x86, bytesOf(p256Point))),
         QUENLIX_KEY_ERROR_INVALID_RESPONSE,
         {"00 47 00 9A 0B AC 03 80 01 14 AA 01 00 AB 01 01"},
         "",
         0},
        {"RSA-1024 modulus for RSA-2048",
         0x9A,
         0x07,
         publicKeyAnswer(concat({tlv(0x81, rsaModulus(128)), bytesOf("82 03 01 00 01")})),
         QUENLIX_KEY_ERROR_INVALID_RESPONSE,
         {"00 47 00 9A 0B AC 03 80 01 07 AA 01 00 AB 01 01"},
         "",
         0},
        {"exponent missing",
         0x9A,
         0x07,
         publicKeyAnswer(tlv(0x81, rsaModulus(256))),
         QUENLIX_KEY_ERROR_INVALID_RESPONSE,
         {"00 47 00 9A 0B AC 03 80 01 07 AA 01 00 AB 01 01"},
         "",
         0},
        {"card refuses",
         0x9A,
         0x11,
         bytesOf("69 82"),
         QUENLIX_KEY_ERROR_ILLEGAL_STATE,
         {generate9A},
         "",
         0},
        {"slot 96", 0x96, 0x11, {}, QUENLIX_KEY_ERROR_INVALID_ARGUMENT, {}, "", 0},
        {"algorithm 08", 0x9A, 0x08, {}, QUENLIX_KEY_ERROR_INVALID_ARGUMENT, {}, "", 0},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        PivCard card;
        card.queueAuthentication();
        card.queue(test.answer);
        KeyInfo* key = nullptr;
        EXPECT_EQ(
            piv_generateKeyPair(reader, defaultManagementKey, test.slot, test.algorithm, &key),
            test.code);
        std::vector<std::string> expected = authenticationApdus;
        expected.insert(expected.end(), test.afterAuthentication.begin(),
                        test.afterAuthentication.end());
        EXPECT_EQ(card.sentAfterSelect(), bytesOfAll(expected));
        if (test.code != 0) {
            EXPECT_EQ(key, nullptr);
            continue;
        }
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->type, test.type);
        EXPECT_EQ(key->bits, test.bits);
        if (RSAKeyInfo* rsa = key->asRSA()) {
            EXPECT_EQ(rsa->modulus, rsaModulus(256));
            EXPECT_EQ(rsa->publicExponent, bytesOf("01 00 01"));
            EXPECT_TRUE(rsa->prime1.empty());
        }
        piv_freeKeyInfo(key);
    }
}

TEST(PivKeys, ImportSendsTheComponentsInMinimalLength) {
    const EvpPkeyPtr p256 = generatedKey("EC", "P-256", 0);
    const EvpPkeyPtr p384 = generatedKey("EC", "P-384", 0);
    const EvpPkeyPtr rsa1024 = generatedKey("RSA", nullptr, 1024);
    const EvpPkeyPtr rsa2048 = generatedKey("RSA", nullptr, 2048);
    const EvpPkeyPtr rsa1536 = generatedKey("RSA", nullptr, 1536);
    struct Case {
        std::string name;
        uint8_t slot;
        Bytes file;
        int32_t code;
        // P1 P2 and the whole data of the import, chained parts joined; empty: none sent.
        Bytes parameters;
        Bytes data;
    };
    const Case cases[] = {
        {"P-256 PEM into 9D", 0x9D, pemOf(*p256), 0, bytesOf("FE 11 9D"), ecComponents(*p256)},
        {"P-384 DER into 82", 0x82, derOf(*p384), 0, bytesOf("FE 14 82"), ecComponents(*p384)},
        {"RSA-1024 PEM into 9E", 0x9E, pemOf(*rsa1024), 0, bytesOf("FE 06 9E"),
         rsaComponents(*rsa1024)},
        {"RSA-2048 DER into 9A, chained", 0x9A, derOf(*rsa2048), 0, bytesOf("FE 07 9A"),
         rsaComponents(*rsa2048)},
        {"RSA-1536 has no algorithm",
         0x9A,
         pemOf(*rsa1536),
         QUENLIX_KEY_ERROR_INVALID_ARGUMENT,
         {},
         {}},
        {"empty file", 0x9A, {}, QUENLIX_KEY_ERROR_INVALID_ARGUMENT, {}, {}},
        {"junk", 0x9A, bytesOf("30 03 02 01 00"), QUENLIX_KEY_ERROR_INVALID_ARGUMENT, {}, {}},
        {"slot 9B", 0x9B, pemOf(*p256), QUENLIX_KEY_ERROR_INVALID_ARGUMENT, {}, {}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        PivCard card;
        card.queueAuthentication();
        for (int part = 0; part < 3; ++part) {
            card.queue("90 00");
        }
        const uint8_t none = 0;
        EXPECT_EQ(piv_importPrivateKey(reader, defaultManagementKey, test.slot,
                                       test.file.empty() ? &none : test.file.data(),
                                       test.file.size()),
                  test.code);
        std::vector<Bytes> sent = card.sentAfterSelect();
        ASSERT_GE(sent.size(), 2u);
        EXPECT_EQ(std::vector<Bytes>(sent.begin(), sent.begin() + 2),
                  bytesOfAll(authenticationApdus));
        sent.erase(sent.begin(), sent.begin() + 2);
        if (test.parameters.empty()) {
            EXPECT_TRUE(sent.empty());
            continue;
        }
        ASSERT_FALSE(sent.empty());
        const auto [parameters, data] = joinedCommand(sent);
        EXPECT_EQ(parameters, test.parameters);
        EXPECT_EQ(data, test.data);
    }

    // A card that refuses the management key gets no key.
    PivCard card;
    card.queue("6A 80");
    const Bytes file = pemOf(*p256);
    EXPECT_EQ(piv_importPrivateKey(reader, defaultManagementKey, 0x9A, file.data(), file.size()),
              QUENLIX_KEY_ERROR_AUTH);
    EXPECT_EQ(card.sentAfterSelect().size(), 1u);
}
