#include "device/session/KeyInfo.h"

#include "IdentityCard.h"
#include "ScriptedCard.h"
#include "device/transport/QuenlixKeyError.h"

#include <gtest/gtest.h>

TEST(KeyInfo, TextsComeFromTheCardManagerBySizeProtocol) {
    ScriptedCard card;
    IdentityCard identity;
    identity.name = "Quenl";
    card.handler = identity;
    char buffer[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};

    size_t length = 0;
    EXPECT_EQ(key_getName("Reader", nullptr, &length), 0);
    EXPECT_EQ(length, 5u);
    length = 3;
    EXPECT_EQ(key_getName("Reader", buffer, &length), QUENLIX_KEY_ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(buffer[0], 'x');
    length = 5;
    EXPECT_EQ(key_getName("Reader", buffer, &length), 0);
    EXPECT_EQ(std::string(buffer, 6), "Quenlx");

    EXPECT_EQ(card.sent.at(0), bytesOf("00 A4 04 00 08 A0 00 00 01 51 00 00 00"));
    EXPECT_EQ(card.sent.at(1), bytesOf("B1 05 41 00"));
    EXPECT_EQ(card.disconnects, 3);

    length = sizeof(buffer);
    EXPECT_EQ(key_getVersion("Reader", buffer, &length), 0);
    EXPECT_EQ(std::string(buffer, length), "v1.0.3");
    length = sizeof(buffer);
    EXPECT_EQ(key_getDate("Reader", buffer, &length), QUENLIX_KEY_ERROR_BUFFER_TOO_SMALL);
}

TEST(KeyInfo, NullArgumentsOpenNothing) {
    ScriptedCard card;
    uint64_t serial = 0;
    char buffer[4];
    size_t length = sizeof(buffer);
    EXPECT_EQ(key_getName("Reader", buffer, nullptr), QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(key_getVersion(nullptr, buffer, &length), QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(key_getSerialNumber("Reader", nullptr), QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(key_getSerialNumber(nullptr, &serial), QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    EXPECT_TRUE(card.connected.empty());
}

TEST(KeyInfo, SerialNumberIsABigEndianNumberOfAtMostEightBytes) {
    ScriptedCard card;
    IdentityCard identity;
    struct Case {
        const char* answer;
        int32_t code;
        uint64_t serial;
    };
    const Case cases[] = {
        {"00 00 00 00 00 12 D6 87", 0, 1234567},
        {"", 0, 0},
        {"FF FF FF FF FF FF FF FF", 0, UINT64_MAX},
        {"01 00 00 00 00 00 00 00 00", QUENLIX_KEY_ERROR_INVALID_ARGUMENT, 99},
    };
    for (const Case& test : cases) {
        identity.serial = bytesOf(test.answer);
        card.handler = identity;
        uint64_t serial = 99;
        EXPECT_EQ(key_getSerialNumber("Reader", &serial), test.code) << test.answer;
        EXPECT_EQ(serial, test.serial) << test.answer;
    }
    EXPECT_EQ(card.sent.at(0), bytesOf("00 A4 04 00 08 D2 76 00 01 62 4B 65 79"));
    EXPECT_EQ(card.sent.at(1), bytesOf("00 28 00 00"));
}

TEST(KeyInfo, SerialNumberFailures) {
    ScriptedCard card;
    IdentityCard identity;
    identity.hasKeyInfoApplet = false;
    card.handler = identity;
    uint64_t serial = 0;
    EXPECT_EQ(key_getSerialNumber("Reader", &serial), QUENLIX_KEY_ERROR_NOT_FOUND);

    card.handler = nullptr;
    card.answer("90 00");
    card.answer("61 08");
    EXPECT_EQ(key_getSerialNumber("Reader", &serial), QUENLIX_KEY_ERROR_TIMEOUT);
    EXPECT_EQ(card.disconnects, 2);
}
