#include "device/ScriptedCard.h"
#include "device/otp/Hotp.h"
#include "device/transport/QuenlixKeyError.h"

#include <gtest/gtest.h>

namespace {

const Bytes selectHotp = bytesOf("00 A4 04 00 06 11 22 33 44 77 01");
const Bytes selectCardManager = bytesOf("00 A4 04 00 08 A0 00 00 01 51 00 00 00");
const Bytes verifyPin123456 = bytesOf("00 22 00 80 06 31 32 33 34 35 36");
const std::string key16Hex = "000102030405060708090A0B0C0D0E0F";

} // namespace

TEST(HotpApi, ConfigureSetsKeyCounterAndLengthThroughTheCardManager) {
    ScriptedCard card;
    card.handler = [](const Bytes&) { return bytesOf("90 00"); };
    int32_t tries = -1;
    EXPECT_EQ(hotp_configure("Reader", "123456", key16Hex.c_str(), 0x0102030405, 8, &tries), 0);
    EXPECT_EQ(card.sent,
              (std::vector<Bytes>{
                  selectHotp, verifyPin123456,
                  bytesOf("00 10 00 00 10 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"),
                  bytesOf("00 14 00 00 08 00 00 00 01 02 03 04 05"), selectCardManager,
                  bytesOf("B1 05 55 08"), selectHotp}));
    EXPECT_EQ(tries, -1);
    EXPECT_EQ(card.disconnects, 1);
}

TEST(HotpApi, RestoreFactoryOrder) {
    ScriptedCard card;
    card.handler = [](const Bytes&) { return bytesOf("90 00"); };
    EXPECT_EQ(hotp_restoreFactory("Reader", "123456", 6, nullptr), 0);
    EXPECT_EQ(card.sent, (std::vector<Bytes>{selectHotp, verifyPin123456, bytesOf("00 12 00 00"),
                                             bytesOf("00 16 00 00"), selectCardManager,
                                             bytesOf("B1 05 55 06"), selectHotp}));
}

TEST(HotpApi, WrongOtpLengthStopsAfterKeyAndCounter) {
    ScriptedCard card;
    card.handler = [](const Bytes&) { return bytesOf("90 00"); };
    EXPECT_EQ(hotp_configure("Reader", "123456", key16Hex.c_str(), 1, 7, nullptr),
              QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    ASSERT_EQ(card.sent.size(), 4u);
    EXPECT_EQ(card.sent[3][1], 0x14);
}

TEST(HotpApi, KeysOutsideSixteenToSixtyFourBytesOrNotHexAreNotSent) {
    ScriptedCard card;
    card.handler = [](const Bytes&) { return bytesOf("90 00"); };
    for (const std::string& key :
         {std::string(30, 'A'), std::string(130, 'A'), std::string("XY")}) {
        card.sent.clear();
        EXPECT_EQ(hotp_configure("Reader", "123456", key.c_str(), 1, 6, nullptr),
                  QUENLIX_KEY_ERROR_INVALID_ARGUMENT)
            << key;
        EXPECT_EQ(card.sent, (std::vector<Bytes>{selectHotp, verifyPin123456})) << key;
    }
}

TEST(HotpApi, RemainingTriesOfAWrongPin) {
    ScriptedCard card;
    struct Case {
        const char* statusWord;
        int32_t code;
        int32_t tries;
    };
    const Case cases[] = {
        {"63 C2", QUENLIX_KEY_ERROR_AUTH, 2},
        {"63 C0", QUENLIX_KEY_ERROR_BLOCKED, 0},
        {"69 83", QUENLIX_KEY_ERROR_BLOCKED, 0},
        {"6A 80", QUENLIX_KEY_ERROR_AUTH, -1},
    };
    for (const Case& test : cases) {
        card.sent.clear();
        card.answer("01 0C 02 90 00");
        card.answer(test.statusWord);
        int32_t tries = -1;
        EXPECT_EQ(hotp_changePin("Reader", "123456", "654321", &tries), test.code)
            << test.statusWord;
        EXPECT_EQ(tries, test.tries) << test.statusWord;
        EXPECT_EQ(card.sent.size(), 2u) << "nothing follows a failed VERIFY PIN";
    }
}

TEST(HotpApi, PinLengthsAreCheckedBeforeSending) {
    ScriptedCard card;
    card.handler = [](const Bytes&) { return bytesOf("90 00"); };
    EXPECT_EQ(hotp_changePin("Reader", "123", "654321", nullptr),
              QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(card.sent, std::vector<Bytes>{selectHotp});
    card.sent.clear();
    EXPECT_EQ(hotp_changePin("Reader", "123456", "123456789", nullptr),
              QUENLIX_KEY_ERROR_INVALID_AUTH_CREDENTIAL);
    EXPECT_EQ(card.sent, (std::vector<Bytes>{selectHotp, verifyPin123456}));
    card.sent.clear();
    // The PIN ends at its first zero byte.
    EXPECT_EQ(hotp_changePin("Reader",
                             "12\0"
                             "3456",
                             "654321", nullptr),
              QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    card.sent.clear();
    EXPECT_EQ(hotp_changePin("Reader", "123456", "87654321", nullptr), 0);
    EXPECT_EQ(card.sent.back(), bytesOf("00 24 00 00 08 38 37 36 35 34 33 32 31"));
}

TEST(HotpApi, VersionBySizeProtocol) {
    ScriptedCard card;
    card.handler = [](const Bytes& command) {
        return command[1] == 0xA4 ? bytesOf("01 0C 02 90 00") : bytesOf("6D 00");
    };
    size_t length = 0;
    EXPECT_EQ(hotp_getVersion("Reader", nullptr, &length), 0);
    EXPECT_EQ(length, 7u);
    char buffer[7];
    length = 6;
    EXPECT_EQ(hotp_getVersion("Reader", buffer, &length), QUENLIX_KEY_ERROR_BUFFER_TOO_SMALL);
    length = 7;
    EXPECT_EQ(hotp_getVersion("Reader", buffer, &length), 0);
    EXPECT_EQ(std::string(buffer, length), "v1.12.2");
    EXPECT_EQ(hotp_getVersion("Reader", buffer, nullptr), QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
}

TEST(HotpApi, AnAppletWithoutVersionBytesHasNoVersionText) {
    ScriptedCard card;
    card.answer("90 00");
    size_t length = 0;
    EXPECT_EQ(hotp_getVersion("Reader", nullptr, &length), QUENLIX_KEY_ERROR_INVALID_RESPONSE);
}

TEST(HotpApi, SerialNumberAndCode) {
    ScriptedCard card;
    card.answer("01 90 00");
    card.answer("FF FF FF FF FF FF FF FF 90 00");
    uint64_t serial = 0;
    EXPECT_EQ(hotp_getSerialNumber("Reader", &serial), 0);
    EXPECT_EQ(serial, UINT64_MAX);
    EXPECT_EQ(card.sent.back(), bytesOf("00 28 00 00"));

    card.answer("01 90 00");
    card.answer("01 02 03 04 05 06 07 08 09 90 00");
    EXPECT_EQ(hotp_getSerialNumber("Reader", &serial), QUENLIX_KEY_ERROR_INVALID_ARGUMENT);

    card.answer("01 90 00");
    card.answer("37 35 35 32 32 34 90 00");
    char code[8];
    size_t length = sizeof(code);
    EXPECT_EQ(hotp_generateCode("Reader", code, &length), 0);
    EXPECT_EQ(std::string(code, length), "755224");
    EXPECT_EQ(card.sent.back(), bytesOf("00 18 00 00"));

    card.answer("01 90 00");
    card.answer("31 32 33 34 35 36 37 38 39 90 00");
    length = sizeof(code);
    EXPECT_EQ(hotp_generateCode("Reader", code, &length), QUENLIX_KEY_ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(hotp_generateCode("Reader", nullptr, &length), QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(hotp_generateCode(nullptr, code, &length), QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
}
