#include "ObjectCard.h"
#include "crypto/KeyInfo.h"
#include "device/piv/DigestInfo.h"
#include "device/piv/Piv.h"
#include "device/transport/QuenlixKeyError.h"
#include "encoding/BerTlvBuilder.h"
#include "encoding/BerTlvParser.h"

#include <gtest/gtest.h>
#include <map>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509v3.h>

namespace {

const char* const reader = "Reader";
const char* const pin = "123456";

struct TestKey {
    EvpPkeyPtr privateKey;
    std::unique_ptr<KeyInfo> publicKey;
};

// A key pair: the scripted card signs with it, the request is made for its public half.
TestKey testKey(const std::string& type, int32_t bits) {
    EvpPkeyPtr key(
        type == "RSA" ? EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", size_t(bits))
                      : EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", bits == 256 ? "P-256" : "P-384"));
    EVP_PKEY_up_ref(key.get());
    EvpPkeyPtr shared(key.get());
    std::unique_ptr<KeyInfo> info;
    if (type == "RSA") {
        info = std::make_unique<RSAKeyInfo>(type, bits, std::move(shared));
    } else {
        info = std::make_unique<ECKeyInfo>(type, bits, std::move(shared));
    }
    return {std::move(key), std::move(info)};
}

Bytes signatureAnswer(const Bytes& signature) {
    BerTlvBuilder builder;
    builder.addConstructed(0x7C).addPrimitive(0x82, signature);
    return joined({builder.build(), bytesOf("90 00")});
}

// What the card does: raw RSA on the block, ECDSA over the digest. The same challenge gets the
// same signature, as a deterministic card would give.
struct CardSigner {
    Bytes operator()(uint8_t, uint8_t, const Bytes& data) {
        const Bytes challenge = BerTlvParser(BerTlvParser(data).find(0x7C)).find(0x81);
        Bytes& signature = signatures[challenge];
        if (signature.empty()) {
            signature = sign(challenge);
        }
        return signatureAnswer(signature);
    }

    Bytes sign(const Bytes& challenge) const {
        if (const RSA* rsa = EVP_PKEY_get0_RSA(key)) {
            Bytes out(static_cast<size_t>(RSA_size(rsa)));
            RSA_private_encrypt(int(challenge.size()), challenge.data(), out.data(),
                                const_cast<RSA*>(rsa), RSA_NO_PADDING);
            return out;
        }
        const std::unique_ptr<EVP_PKEY_CTX, OpenSSLDeleter<EVP_PKEY_CTX_free>> context(
            EVP_PKEY_CTX_new(key, nullptr));
        EVP_PKEY_sign_init(context.get());
        size_t length = 0;
        EVP_PKEY_sign(context.get(), nullptr, &length, challenge.data(), challenge.size());
        Bytes out(length);
        EVP_PKEY_sign(context.get(), out.data(), &length, challenge.data(), challenge.size());
        out.resize(length);
        return out;
    }

    EVP_PKEY* key;
    std::map<Bytes, Bytes> signatures;
};

// The request in two calls, as the piv command makes it: size query, then the text.
std::string requestPem(const KeyInfo& key, uint8_t slot, const char* cn, const char* c,
                       const char* o, const char* ou, uint64_t& queriedSize) {
    EXPECT_EQ(
        piv_createCertificateRequest(reader, pin, slot, &key, cn, c, o, ou, nullptr, &queriedSize),
        0);
    std::string pem(queriedSize, '\0');
    uint64_t size = queriedSize;
    EXPECT_EQ(
        piv_createCertificateRequest(reader, pin, slot, &key, cn, c, o, ou, pem.data(), &size), 0);
    pem.resize(size);
    return pem;
}

X509ReqPtr parsedRequest(const std::string& pem) {
    const BioPtr bio(BIO_new_mem_buf(pem.data(), int(pem.size())));
    return X509ReqPtr(PEM_read_bio_X509_REQ(bio.get(), nullptr, nullptr, nullptr));
}

std::string subjectOf(X509_REQ& request) {
    char text[256] = {};
    X509_NAME_oneline(X509_REQ_get_subject_name(&request), text, sizeof(text));
    return text;
}

std::vector<Bytes> signingCommands(const ObjectCard& card) {
    std::vector<Bytes> commands;
    for (const Bytes& command : card.sentAfterSelect()) {
        if (command[1] == 0x87) {
            commands.push_back(command);
        }
    }
    return commands;
}

} // namespace

TEST(PivCertificateRequest, Pkcs1BlockIsPaddedDigestInfo) {
    const Bytes digest256(32, 0xA5);
    const Bytes digest512(64, 0x5A);
    const Bytes sha256Info = bytesOf("30 31 30 0D 06 09 60 86 48 01 65 03 04 02 01 05 00 04 20");
    const Bytes sha512Info = bytesOf("30 51 30 0D 06 09 60 86 48 01 65 03 04 02 03 05 00 04 40");
    struct Case {
        int32_t bits;
        HashType hash;
        Bytes digest;
        Bytes info;
        // Count of FF bytes.
        size_t padding;
    };
    const Case cases[] = {
        {1024, HashType::Sha256, digest256, sha256Info, 74},
        {2048, HashType::Sha256, digest256, sha256Info, 202},
        {1024, HashType::Sha512, digest512, sha512Info, 42},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        const Bytes expected =
            joined({bytesOf("00 01"), Bytes(c.padding, 0xFF), {0x00}, c.info, c.digest});
        EXPECT_EQ(encodePkcs1DigestInfo(c.bits, c.hash, c.digest), expected);
    }
}

TEST(PivCertificateRequest, CardSignsARequestThatVerifies) {
    struct Case {
        std::string name;
        // The key.
        std::string type;
        int32_t bits;
        uint8_t slot;
        // Common name, country, organization, unit.
        std::vector<const char*> fields;
        // The subject as read back.
        std::string subject;
        // Heads of the signing APDUs.
        std::vector<std::string> heads;
    };
    const Case cases[] = {
        {"RSA-2048 in 9A, chained",
         "RSA",
         2048,
         0x9A,
         {"Alice", "de", "", "Unit"},
         "/CN=Alice/C=de/OU=Unit",
         {"10 87 07 9A FF 7C 82 01 06 81 82 01 00 00 01 FF", "00 87 07 9A 0B"}},
        {"P-256 in 9C", "EC", 256, 0x9C, {"", "", "", ""}, "", {"00 87 11 9C 26 7C 24 81 20"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TestKey key = testKey(c.type, c.bits);
        ObjectCard card;
        card.signer = CardSigner{key.privateKey.get(), {}};
        uint64_t queried = 0;
        const std::string pem = requestPem(*key.publicKey, c.slot, c.fields[0], c.fields[1],
                                           c.fields[2], c.fields[3], queried);
        EXPECT_EQ(queried, pem.size() + (c.type == "EC" ? 11u : 0u));

        const X509ReqPtr request = parsedRequest(pem);
        ASSERT_TRUE(request);
        EXPECT_EQ(X509_REQ_verify(request.get(), key.privateKey.get()), 1);
        EXPECT_EQ(subjectOf(*request), c.subject);

        const std::vector<Bytes> signing = signingCommands(card);
        ASSERT_EQ(signing.size(), 2 * c.heads.size()) << "one signing per call";
        for (size_t i = 0; i < c.heads.size(); ++i) {
            const Bytes head = bytesOf(c.heads[i]);
            EXPECT_EQ(Bytes(signing[i].begin(), signing[i].begin() + long(head.size())), head);
        }
        EXPECT_EQ(Bytes(signing[c.heads.size() - 1].end() - 2, signing[c.heads.size() - 1].end()),
                  bytesOf("82 00"));
        EXPECT_EQ(signing.front().size(), c.type == "RSA" ? 260u : 43u);
    }
}

TEST(PivCertificateRequest, FailedSigningGivesTheCardsCode) {
    const TestKey p256 = testKey("EC", 256);
    const TestKey rsa = testKey("RSA", 1024);
    const TestKey rsa512 = testKey("RSA", 512);
    const auto answering = [](const Bytes& answer) {
        return [answer](uint8_t, uint8_t, const Bytes&) { return answer; };
    };
    struct Case {
        std::string name;
        const KeyInfo* key;
        uint8_t slot;
        std::string pinAnswer;
        // The card's answer to the signing.
        Bytes answer;
        int32_t code;
        // Signing commands sent.
        size_t signings;
    };
    const Case cases[] = {
        {"no signature in the answer", p256.publicKey.get(), 0x9C, "90 00", bytesOf("7C 00 90 00"),
         QUENLIX_KEY_ERROR_INVALID_RESPONSE, 1},
        {"EC signature longer than the library's buffer", p256.publicKey.get(), 0x9C, "90 00",
         signatureAnswer(Bytes(73, 0x30)), QUENLIX_KEY_ERROR_INVALID_RESPONSE, 1},
        {"RSA signature longer than the modulus", rsa.publicKey.get(), 0x9A, "90 00",
         signatureAnswer(Bytes(129, 0x11)), QUENLIX_KEY_ERROR_INVALID_RESPONSE, 1},
        {"slot without a key", p256.publicKey.get(), 0x9C, "90 00", bytesOf("69 82"),
         QUENLIX_KEY_ERROR_ILLEGAL_STATE, 1},
        {"wrong PIN", p256.publicKey.get(), 0x9C, "63 C2", {}, QUENLIX_KEY_ERROR_AUTH, 0},
        {"RSA-512 has no algorithm",
         rsa512.publicKey.get(),
         0x9A,
         "90 00",
         {},
         QUENLIX_KEY_ERROR_INVALID_ARGUMENT,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ObjectCard card;
        card.pinAnswer = c.pinAnswer;
        card.signer = answering(c.answer);
        uint64_t size = 0;
        EXPECT_EQ(piv_createCertificateRequest(reader, pin, c.slot, c.key, "", "", "", "", nullptr,
                                               &size),
                  c.code);
        EXPECT_EQ(signingCommands(card).size(), c.signings);
        EXPECT_EQ(card.sentAfterSelect().front(),
                  bytesOf("00 20 00 80 08 31 32 33 34 35 36 FF FF"));
    }
}

TEST(PivSelfSignedCertificate, CardSignsACertificateOfItsOwnKey) {
    const char* const names[] = {"DNS:host.example", "IP:10.0.0.1", "email:a@example.org"};
    for (const auto& [type, bits] :
         std::vector<std::pair<std::string, int32_t>>{{"RSA", 2048}, {"EC", 256}}) {
        SCOPED_TRACE(type);
        const TestKey key = testKey(type, bits);
        ObjectCard card;
        card.signer = CardSigner{key.privateKey.get(), {}};
        uint64_t size = 0;
        ASSERT_EQ(piv_createSelfSignedCertificate(reader, pin, 0x9A, key.publicKey.get(), "Host",
                                                  "", "", "", names, 3, 30, nullptr, &size),
                  0);
        std::string pem(size, '\0');
        ASSERT_EQ(piv_createSelfSignedCertificate(reader, pin, 0x9A, key.publicKey.get(), "Host",
                                                  "", "", "", names, 3, 30, pem.data(), &size),
                  0);
        pem.resize(size);
        const BioPtr bio(BIO_new_mem_buf(pem.data(), int(pem.size())));
        const X509Ptr certificate(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
        ASSERT_TRUE(certificate);
        EXPECT_EQ(X509_verify(certificate.get(), key.privateKey.get()), 1);
        EXPECT_EQ(X509_get_version(certificate.get()), 2);
        EXPECT_EQ(X509_NAME_cmp(X509_get_subject_name(certificate.get()),
                                X509_get_issuer_name(certificate.get())),
                  0);
        const ASN1_INTEGER* serial = X509_get0_serialNumber(certificate.get());
        EXPECT_EQ(ASN1_STRING_length(serial), 16);
        EXPECT_NE(ASN1_STRING_type(serial), V_ASN1_NEG_INTEGER);
        int days = 0;
        int seconds = 0;
        ASSERT_EQ(ASN1_TIME_diff(&days, &seconds, X509_get0_notBefore(certificate.get()),
                                 X509_get0_notAfter(certificate.get())),
                  1);
        EXPECT_EQ(days, 30);
        EXPECT_EQ(seconds, 0);
        const GeneralNamesPtr altNames(static_cast<GENERAL_NAMES*>(
            X509_get_ext_d2i(certificate.get(), NID_subject_alt_name, nullptr, nullptr)));
        ASSERT_TRUE(altNames);
        ASSERT_EQ(sk_GENERAL_NAME_num(altNames.get()), 3);
        EXPECT_EQ(sk_GENERAL_NAME_value(altNames.get(), 0)->type, GEN_DNS);
        EXPECT_EQ(sk_GENERAL_NAME_value(altNames.get(), 1)->type, GEN_IPADD);
        EXPECT_EQ(sk_GENERAL_NAME_value(altNames.get(), 2)->type, GEN_EMAIL);
        EXPECT_EQ(X509_check_ca(certificate.get()), 0);
    }
}

TEST(PivSelfSignedCertificate, ArgumentsOutsideTheContractReachNoCard) {
    const TestKey key = testKey("EC", 256);
    const char* const missing[] = {"DNS:a.example", nullptr};
    const char* const bad[] = {"mail:a@example.org"};
    struct Case {
        std::string name;
        const char* const* names;
        uint64_t count;
        uint32_t days;
        int32_t code;
    };
    for (const Case& c : std::vector<Case>{
             {"no days", nullptr, 0, 0, QUENLIX_KEY_ERROR_INVALID_ARGUMENT},
             {"a hundred years and a day", nullptr, 0, 36501, QUENLIX_KEY_ERROR_INVALID_ARGUMENT},
             {"a missing name", missing, 2, 1, QUENLIX_KEY_ERROR_INVALID_ARGUMENT},
             {"an unknown form", bad, 1, 1, QUENLIX_KEY_ERROR_INVALID_ARGUMENT},
         }) {
        SCOPED_TRACE(c.name);
        ObjectCard card;
        card.signer = CardSigner{key.privateKey.get(), {}};
        uint64_t size = 0;
        EXPECT_EQ(piv_createSelfSignedCertificate(reader, pin, 0x9A, key.publicKey.get(), "", "",
                                                  "", "", c.names, c.count, c.days, nullptr, &size),
                  c.code);
        EXPECT_EQ(signingCommands(card).size(), 0u);
    }
}
