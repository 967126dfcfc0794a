#include "ObjectCard.h"
#include "crypto/CertificateInfo.h"
#include "device/piv/Piv.h"
#include "device/transport/QuenlixKeyError.h"

#include <gtest/gtest.h>

namespace {

const char* const reader = "Reader";

EvpPkeyPtr generated(const char* type, size_t bits) {
    return std::string(type) == "RSA"
               ? EvpPkeyPtr(EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", bits))
               : EvpPkeyPtr(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-384"));
}

const Bytes object9A = bytesOf("5F C1 05");
const Bytes object9C = bytesOf("5F C1 0A");
const Bytes object9D = bytesOf("5F C1 0B");
const Bytes object9E = bytesOf("5F C1 01");
const Bytes object83 = bytesOf("5F C1 0E");

} // namespace

TEST(PivCertificates, ReadSendsGetDataAndDescribesTheObject) {
    const EvpPkeyPtr key = generated("EC", 384);
    const Bytes der = selfSignedDer(*key, "Reader Test");
    Bytes corrupt = der;
    corrupt.resize(der.size() / 2);
    const std::string read9C = "00 CB 3F FF 05 5C 03 5F C1 0A";
    struct Case {
        std::string name;
        uint8_t slot;
        // Answer of the 9C object.
        std::string answer;
        int32_t code;
        // The commands after SELECT.
        std::vector<std::string> apdus;
    };
    const Case cases[] = {
        {"certificate", 0x9C, answerWith(certificateObject(der)), 0, {read9C}},
        {"emptied object", 0x9C, "53 00 90 00", QUENLIX_KEY_ERROR_INVALID_DATA, {read9C}},
        {"53 without 70", 0x9C, "53 03 71 01 00 90 00", QUENLIX_KEY_ERROR_INVALID_DATA, {read9C}},
        {"cut certificate",
         0x9C,
         answerWith(certificateObject(corrupt)),
         QUENLIX_KEY_ERROR_INVALID_DATA,
         {read9C}},
        {"absent object", 0x9D, "", QUENLIX_KEY_ERROR_NOT_FOUND, {"00 CB 3F FF 05 5C 03 5F C1 0B"}},
        {"slot 9B", 0x9B, "", QUENLIX_KEY_ERROR_INVALID_ARGUMENT, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ObjectCard card;
        card.objects[object9C] = c.answer;
        CertificateInfo* certificate = nullptr;
        EXPECT_EQ(piv_readCertificate(reader, c.slot, &certificate), c.code);
        EXPECT_EQ(card.sentAfterSelect(), bytesOfAll(c.apdus));
        ASSERT_EQ(certificate != nullptr, c.code == 0);
        if (certificate != nullptr) {
            EXPECT_STREQ(piv_certificateSubject(certificate), "CN=Reader Test");
            EXPECT_EQ(piv_certificateBits(certificate), 384);
            EXPECT_EQ(piv_certificateFingerprintLength(certificate), 32u);
        }
        piv_freeCertificate(certificate);
    }
}

TEST(PivCertificates, ImportAndDeleteWriteTheSlotObject) {
    const EvpPkeyPtr key = generated("RSA", 2048);
    const Bytes der = selfSignedDer(*key, "Import");
    const Bytes stored = certificateObject(der);
    const Bytes junk = bytesOf("30 03 02 01 01");
    struct Case {
        std::string name;
        uint8_t slot;
        // Empty: delete.
        Bytes file;
        int32_t code;
        // The contents written to the objects; none when empty.
        std::vector<std::pair<Bytes, Bytes>> written;
    };
    const Case cases[] = {
        {"PEM into 9A", 0x9A, pemOf(der), 0, {{object9A, stored}}},
        {"DER into 83", 0x83, der, 0, {{object83, stored}}},
        {"delete 9E", 0x9E, {}, 0, {{object9E, bytesOf("53 00")}}},
        {"not a certificate", 0x9A, junk, QUENLIX_KEY_ERROR_INVALID_ARGUMENT, {}},
        {"slot 9B", 0x9B, der, QUENLIX_KEY_ERROR_INVALID_ARGUMENT, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ObjectCard card;
        const int32_t result = c.file.empty()
                                   ? piv_deleteCertificate(reader, defaultManagementKey, c.slot)
                                   : piv_importCertificate(reader, defaultManagementKey, c.slot,
                                                           c.file.data(), c.file.size());
        EXPECT_EQ(result, c.code);
        EXPECT_EQ(card.written, c.written);
    }

    ObjectCard card;
    ASSERT_EQ(piv_deleteCertificate(reader, defaultManagementKey, 0x9A), 0);
    EXPECT_EQ(card.sentAfterSelect().back(), bytesOf("00 DB 3F FF 07 5C 03 5F C1 05 53 00"));
}

TEST(PivCertificates, ListCountsPresentObjectsInSlotOrder) {
    const EvpPkeyPtr key = generated("EC", 384);
    const std::string certificate = answerWith(certificateObject(selfSignedDer(*key, "List")));
    struct Case {
        std::string name;
        std::map<Bytes, std::string> objects;
        int32_t code;
        // The slots listed.
        Bytes slots;
    };
    const Case cases[] = {
        {"certificates in 9D and 83",
         {{object9D, certificate}, {object83, certificate}},
         0,
         bytesOf("9D 83")},
        {"emptied and refused objects count",
         {{object9A, "53 00 90 00"}, {object9E, "69 82"}, {object83, certificate}},
         0,
         bytesOf("9A 9E 83")},
        {"none", {}, 0, {}},
        {"another card error stops the list",
         {{object9C, "6F 00"}, {object83, certificate}},
         QUENLIX_KEY_ERROR_IO,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ObjectCard card;
        card.objects = c.objects;
        uint64_t size = 0;
        ASSERT_EQ(piv_listCertificates(reader, nullptr, &size), c.code);
        if (c.code == 0) {
            Bytes listed(size);
            ASSERT_EQ(piv_listCertificates(reader, listed.data(), &size), 0);
            EXPECT_EQ(listed, c.slots);
        }
    }
}
