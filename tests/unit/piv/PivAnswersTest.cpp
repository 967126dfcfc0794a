#include "PivCard.h"
#include "device/piv/Piv.h"
#include "device/transport/QuenlixKeyError.h"

#include <array>
#include <gtest/gtest.h>

namespace {

const char* const reader = "Reader";

} // namespace

TEST(PivAnswers, MetadataSerialAndLabel) {
    // code, total, remaining, isDefault from GET METADATA of the PUK
    const std::pair<std::string, std::array<int32_t, 4>> metadata[] = {
        {"05 01 01 06 02 05 03 90 00", {0, 5, 3, 1}},
        {"01 01 FF 05 01 00 06 02 03 00 90 00", {0, 3, 0, 0}},
        {"05 01 00 90 00", {0, -1, -1, 0}},
        {"05 02 00 00 06 02 03 03 90 00", {QUENLIX_KEY_ERROR_INVALID_DATA, 9, 9, 9}},
        {"05 01 00 06 01 03 90 00", {QUENLIX_KEY_ERROR_INVALID_DATA, 9, 9, 9}},
    };
    for (const auto& [answer, expected] : metadata) {
        SCOPED_TRACE(answer);
        PivCard card;
        card.queue({answer});
        std::array<int32_t, 4> got{0, 9, 9, 9};
        got[0] = piv_getPukRetries(reader, &got[1], &got[2], &got[3]);
        EXPECT_EQ(got, expected);
        EXPECT_EQ(card.sentAfterSelect(), bytesOfAll({"00 F7 00 81"}));
    }

    struct Case {
        std::string answer;
        int32_t code;
        // The serial number handed out; 7 is the caller's value left alone.
        uint64_t expected;
    };
    const Case serials[] = {
        {"00 A1 B2 C3 90 00", 0, 10597059},
        {"90 00", 0, 0},
        {"01 02 03 04 05 06 07 08 09 90 00", QUENLIX_KEY_ERROR_INVALID_ARGUMENT, 7},
    };
    for (const Case& c : serials) {
        PivCard card;
        card.queue({c.answer});
        uint64_t serial = 7;
        EXPECT_EQ(piv_getSerialNumber(reader, &serial), c.code);
        EXPECT_EQ(serial, c.expected);
        EXPECT_EQ(card.sentAfterSelect(), bytesOfAll({"00 F8 00 00"}));
    }

    for (const char* selectAnswer :
         {"61 04 4F 02 00 00 90 00", "61 02 50 00 90 00", "50 05 31 2E 34 2E 32 90 00"}) {
        PivCard card;
        card.selectAnswer = bytesOf(selectAnswer);
        uint64_t size = 0;
        EXPECT_EQ(piv_getVersion(reader, nullptr, &size), QUENLIX_KEY_ERROR_INVALID_DATA);
    }
}

TEST(PivEntryPoints, NullArgumentsAndTheSizeProtocol) {
    PivCard card;
    int32_t number = 0;
    uint64_t serial = 0;
    KeyInfo* key = nullptr;
    const uint8_t byte = 0x30;
    const char* mk = defaultManagementKey;
    const int32_t nullCalls[] = {
        piv_getVersion(reader, nullptr, nullptr),
        piv_getSerialNumber(reader, nullptr),
        piv_getPinRetries(reader, nullptr, &number, &number),
        piv_getPukRetries(reader, &number, &number, nullptr),
        piv_changePin(reader, nullptr, "123456"),
        piv_changePuk(reader, "12345678", nullptr),
        piv_unblockPin(reader, nullptr, "123456"),
        piv_setManagementKey(reader, mk, nullptr),
        piv_configureRetries(reader, nullptr, "123456", 3, 3),
        piv_configureRetries(reader, mk, nullptr, 3, 3),
        piv_reset(nullptr),
        piv_getSerialNumber(nullptr, &serial),
        piv_generateKeyPair(reader, mk, 0x9A, 0x11, nullptr),
        piv_generateKeyPair(reader, nullptr, 0x9A, 0x11, &key),
        piv_importPrivateKey(reader, nullptr, 0x9A, &byte, 1),
        piv_importPrivateKey(reader, mk, 0x9A, nullptr, 1),
    };
    for (size_t i = 0; i < std::size(nullCalls); ++i) {
        EXPECT_EQ(nullCalls[i], QUENLIX_KEY_ERROR_INVALID_ARGUMENT) << "call " << i;
    }
    EXPECT_TRUE(card.connected.empty());

    // The label "1.4.2": a null buffer learns 5; four bytes are too few and keep the size.
    uint64_t size = 0;
    char label[5] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(piv_getVersion(reader, nullptr, &size), 0);
    EXPECT_EQ(size--, 5u);
    EXPECT_EQ(piv_getVersion(reader, label, &size), QUENLIX_KEY_ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(std::string(label, 5) + std::to_string(size++), "xxxxx4");
    EXPECT_EQ(piv_getVersion(reader, label, &size), 0);
    EXPECT_EQ(std::string(label, 5), "1.4.2");
}
