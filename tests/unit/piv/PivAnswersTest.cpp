#include "PivCard.h"
#include "device/piv/Piv.h"
#include "device/transport/QuenlixKeyError.h"

#include <gtest/gtest.h>

namespace {

const char* const reader = "Reader";

struct Retries {
    int32_t code;
    int32_t total;
    int32_t remaining;
    int32_t isDefault;
};

Retries pukRetriesFor(const std::string& answer) {
    PivCard card;
    card.queue(answer);
    Retries got{0, 99, 99, 99};
    got.code = piv_getPukRetries(reader, &got.total, &got.remaining, &got.isDefault);
    EXPECT_EQ(card.sentAfterSelect(), bytesOfAll({"00 F7 00 81"}));
    return got;
}

} // namespace

TEST(PivAnswers, MetadataSerialAndLabel) {
    struct MetadataCase {
        std::string answer;
        Retries expected;
    };
    const MetadataCase metadata[] = {
        {"05 01 01 06 02 05 03 90 00", {0, 5, 3, 1}},
        {"01 01 FF 02 02 00 00 05 01 00 06 02 03 00 90 00", {0, 3, 0, 0}},
        {"05 01 00 90 00", {0, -1, -1, 0}},
        {"05 02 00 00 90 00", {QUENLIX_KEY_ERROR_INVALID_DATA, 99, 99, 99}},
        {"06 02 03 03 90 00", {QUENLIX_KEY_ERROR_INVALID_DATA, 99, 99, 99}},
        {"05 01 00 06 01 03 90 00", {QUENLIX_KEY_ERROR_INVALID_DATA, 99, 99, 99}},
        {"05 01 00 06 03 03 03 03 90 00", {QUENLIX_KEY_ERROR_INVALID_DATA, 99, 99, 99}},
        {"6A 88", {QUENLIX_KEY_ERROR_NOT_FOUND, 99, 99, 99}},
    };
    for (const MetadataCase& test : metadata) {
        SCOPED_TRACE(test.answer);
        const Retries got = pukRetriesFor(test.answer);
        EXPECT_EQ(got.code, test.expected.code);
        EXPECT_EQ(got.total, test.expected.total);
        EXPECT_EQ(got.remaining, test.expected.remaining);
        EXPECT_EQ(got.isDefault, test.expected.isDefault);
    }

    struct SerialCase {
        std::string answer;
        int32_t code;
        uint64_t serial;
    };
    const SerialCase serials[] = {
        {"00 A1 B2 C3 90 00", 0, 10597059},
        {"90 00", 0, 0},
        {"01 02 03 04 05 06 07 08 09 90 00", QUENLIX_KEY_ERROR_INVALID_ARGUMENT, 7},
    };
    for (const SerialCase& test : serials) {
        SCOPED_TRACE(test.answer);
        PivCard card;
        card.queue(test.answer);
        uint64_t serial = 7;
        EXPECT_EQ(piv_getSerialNumber(reader, &serial), test.code);
        EXPECT_EQ(serial, test.serial);
        EXPECT_EQ(card.sentAfterSelect(), bytesOfAll({"00 F8 00 00"}));
    }

    struct LabelCase {
        std::string selectAnswer;
        int32_t code;
        std::string label;
    };
    const LabelCase labels[] = {
        {"61 07 50 05 31 2E 34 2E 32 90 00", 0, "1.4.2"},
        {"61 04 4F 02 00 00 90 00", QUENLIX_KEY_ERROR_INVALID_DATA, ""},
        {"61 02 50 00 90 00", QUENLIX_KEY_ERROR_INVALID_DATA, ""},
        {"50 05 31 2E 34 2E 32 90 00", QUENLIX_KEY_ERROR_INVALID_DATA, ""},
        {"6A 82", QUENLIX_KEY_ERROR_NOT_FOUND, ""},
    };
    for (const LabelCase& test : labels) {
        SCOPED_TRACE(test.selectAnswer);
        PivCard card;
        card.selectAnswer = bytesOf(test.selectAnswer);
        char label[8] = {};
        uint64_t size = sizeof(label);
        EXPECT_EQ(piv_getVersion(reader, label, &size), test.code);
        if (test.code == 0) {
            EXPECT_EQ(std::string(label, size), test.label);
        }
    }
}

TEST(PivEntryPoints, NullArgumentsAndTheSizeProtocol) {
    PivCard card;
    int32_t number = 0;
    uint64_t serial = 0;
    uint64_t size = 0;
    KeyInfo* key = nullptr;
    const uint8_t bytes[] = {0x30};
    const char* mk = defaultManagementKey;
    const int32_t nullCalls[] = {
        piv_getVersion(nullptr, nullptr, &size),
        piv_getVersion(reader, nullptr, nullptr),
        piv_getSerialNumber(reader, nullptr),
        piv_getPinRetries(reader, nullptr, &number, &number),
        piv_getPinRetries(reader, &number, nullptr, &number),
        piv_getPukRetries(reader, &number, &number, nullptr),
        piv_changePin(reader, nullptr, "123456"),
        piv_changePin(reader, "123456", nullptr),
        piv_changePuk(reader, "12345678", nullptr),
        piv_unblockPin(reader, nullptr, "123456"),
        piv_setManagementKey(reader, nullptr, mk),
        piv_setManagementKey(reader, mk, nullptr),
        piv_configureRetries(reader, nullptr, "123456", 3, 3),
        piv_configureRetries(reader, mk, nullptr, 3, 3),
        piv_reset(nullptr),
        piv_getSerialNumber(nullptr, &serial),
        piv_generateKeyPair(reader, mk, 0x9A, 0x11, nullptr),
        piv_generateKeyPair(reader, nullptr, 0x9A, 0x11, &key),
        piv_importPrivateKey(reader, nullptr, 0x9A, bytes, 1),
        piv_importPrivateKey(reader, mk, 0x9A, nullptr, 1),
    };
    for (size_t i = 0; i < std::size(nullCalls); ++i) {
        EXPECT_EQ(nullCalls[i], QUENLIX_KEY_ERROR_INVALID_ARGUMENT) << "call " << i;
    }
    EXPECT_TRUE(card.connected.empty());
    piv_freeKeyInfo(nullptr);

    // The label is "1.4.2": a null buffer learns 5, four bytes are too few and keep the size.
    EXPECT_EQ(piv_getVersion(reader, nullptr, &size), 0);
    EXPECT_EQ(size, 5u);
    char label[5] = {'x', 'x', 'x', 'x', 'x'};
    size = 4;
    EXPECT_EQ(piv_getVersion(reader, label, &size), QUENLIX_KEY_ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::string(label, 5), "xxxxx");
    size = 5;
    EXPECT_EQ(piv_getVersion(reader, label, &size), 0);
    EXPECT_EQ(std::string(label, 5), "1.4.2");
    EXPECT_EQ(card.disconnects, 3);
}
