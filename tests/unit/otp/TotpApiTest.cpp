#include "device/ScriptedCard.h"
#include "device/otp/Totp.h"
#include "device/transport/QuenlixKeyError.h"

#include <gtest/gtest.h>

namespace {

const Bytes selectTotp = bytesOf("00 A4 04 00 0A D2 76 00 01 62 54 4F 54 50 01");
const Bytes verifyPin1234 = bytesOf("00 12 00 00 04 31 32 33 34");
const std::string key10Hex = "00010203040506070809";

// A TOTP applet of version 1.2.3 with 8 slots; other commands answer from the queue.
struct TotpCard : ScriptedCard {
    TotpCard() {
        handler = [this](const Bytes& command) {
            if (command == selectTotp) {
                return selectAnswer;
            }
            if (queued.empty()) {
                return bytesOf("6D 00");
            }
            Bytes next = queued.front();
            queued.pop_front();
            return next;
        };
    }
    void queue(const std::string& hex) { queued.push_back(bytesOf(hex)); }

    Bytes selectAnswer = bytesOf("01 02 03 08 90 00");
    std::deque<Bytes> queued;
};

} // namespace

TEST(TotpApi, VersionAndSlotCountComeFromTheSelectAnswer) {
    TotpCard card;
    char version[6];
    size_t length = sizeof(version);
    EXPECT_EQ(totp_getVersion("Reader", version, &length), 0);
    EXPECT_EQ(std::string(version, length), "v1.2.3");
    int32_t slots = 0;
    EXPECT_EQ(totp_getMaxSlots("Reader", &slots), 0);
    EXPECT_EQ(slots, 8);

    for (const char* answer : {"01 02 03 90 00", "01 02 03 08 00 90 00"}) {
        card.selectAnswer = bytesOf(answer);
        EXPECT_EQ(totp_getMaxSlots("Reader", &slots), QUENLIX_KEY_ERROR_INVALID_RESPONSE);
        EXPECT_EQ(totp_reset("Reader"), QUENLIX_KEY_ERROR_INVALID_RESPONSE);
    }
}

TEST(TotpApi, SlotNumbersBeyondTheSlotCountAreRefusedBeforeSending) {
    TotpCard card;
    TotpSlotInfo info;
    TotpCode code;
    EXPECT_EQ(totp_getSlotInfo("Reader", 8, &info), QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(totp_clearSlot("Reader", 8), QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(totp_generateCode("Reader", 0xFF, 0, nullptr, &code, nullptr),
              QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    uint8_t slot = 8;
    EXPECT_EQ(
        totp_configureSlot("Reader", &slot, 0, 6, 0, 30, key10Hex.c_str(), "a", nullptr, false),
        QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(card.sent, std::vector<Bytes>(4, selectTotp));
}

TEST(TotpApi, ConfigureTheFirstFreeSlot) {
    TotpCard card;
    card.queue("03 90 00");
    uint8_t slot = totpFirstFreeSlot;
    EXPECT_EQ(totp_configureSlot("Reader", &slot, 1, 6, 0, 30, key10Hex.c_str(), "al", "", true),
              0);
    EXPECT_EQ(slot, 3);
    EXPECT_EQ(card.sent.back(), bytesOf("00 22 FF 00 18 30 16 80 01 01 81 01 01 85 0A 00 01 02 03 "
                                        "04 05 06 07 08 09 86 02 61 6C"));
}

TEST(TotpApi, ConfigureRefusesBadSettingsAndAnswersWithoutSlot) {
    TotpCard card;
    uint8_t slot = 0;
    EXPECT_EQ(
        totp_configureSlot("Reader", &slot, 0, 6, 0, 30, "0001020304050607XX", "a", nullptr, false),
        QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    EXPECT_TRUE(card.connected.empty()) << "a key that is not hex opens no session";

    struct Case {
        uint8_t hash;
        uint8_t digits;
        uint32_t period;
        std::string key;
        std::string account;
        std::string issuer;
    };
    const Case cases[] = {
        {3, 6, 30, key10Hex, "a", ""},
        {0, 5, 30, key10Hex, "a", ""},
        {0, 10, 30, key10Hex, "a", ""},
        {0, 6, 4, key10Hex, "a", ""},
        {0, 6, 30, "000102030405060708", "a", ""},
        {0, 6, 30, std::string(130, 'A'), "a", ""},
        {0, 6, 30, key10Hex, "", ""},
        {0, 6, 30, key10Hex, std::string(61, 'a'), ""},
        {0, 6, 30, key10Hex, "a", std::string(61, 'i')},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(totp_configureSlot("Reader", &slot, test.hash, test.digits, 0, test.period,
                                     test.key.c_str(), test.account.c_str(), test.issuer.c_str(),
                                     false),
                  QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    }
    EXPECT_EQ(card.sent, std::vector<Bytes>(std::size(cases), selectTotp));

    card.queue("90 00");
    EXPECT_EQ(
        totp_configureSlot("Reader", &slot, 0, 6, 0, 30, key10Hex.c_str(), "a", nullptr, false),
        QUENLIX_KEY_ERROR_INVALID_RESPONSE);
}

TEST(TotpApi, GenerateCodeVerifiesAGivenPinFirst) {
    TotpCard card;
    card.queue("90 00");
    card.queue("00 00 00 00 00 00 00 00 00 00 00 3C 31 32 33 34 35 36 37 38 90 00");
    TotpCode code;
    EXPECT_EQ(totp_generateCode("Reader", 7, 0x0102030405, "1234", &code, nullptr), 0);
    EXPECT_EQ(code.timeOrigin, 0u);
    EXPECT_EQ(code.period, 60u);
    EXPECT_EQ(code.code, "12345678");
    EXPECT_EQ(card.sent, (std::vector<Bytes>{selectTotp, verifyPin1234,
                                             bytesOf("00 24 07 00 08 00 00 00 01 02 03 04 05")}));

    card.sent.clear();
    card.queue("63 C1");
    int32_t tries = -1;
    EXPECT_EQ(totp_generateCode("Reader", 7, 0, "1234", &code, &tries), QUENLIX_KEY_ERROR_AUTH);
    EXPECT_EQ(tries, 1);
    EXPECT_EQ(card.sent.size(), 2u) << "no code is asked for after a wrong PIN";

    card.sent.clear();
    card.queue("69 82");
    EXPECT_EQ(totp_generateCode("Reader", 7, 0, nullptr, &code, nullptr),
              QUENLIX_KEY_ERROR_ILLEGAL_STATE);
    EXPECT_EQ(card.sent.size(), 2u);
    EXPECT_EQ(card.sent.back()[1], 0x24);
}

TEST(TotpApi, SetPinVerifiesOnlyWhenAsked) {
    TotpCard card;
    card.queue("90 00");
    EXPECT_EQ(totp_setPin("Reader", nullptr, "abcd", false, nullptr), 0);
    EXPECT_EQ(card.sent, (std::vector<Bytes>{selectTotp, bytesOf("00 11 00 00 04 61 62 63 64")}));
    card.sent.clear();
    EXPECT_EQ(totp_setPin("Reader", nullptr, "abcd", true, nullptr),
              QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    EXPECT_TRUE(card.sent.empty());

    card.queue("90 00");
    card.queue("90 00");
    EXPECT_EQ(totp_setPin("Reader", "1234", "abcd", true, nullptr), 0);
    EXPECT_EQ(card.sent, (std::vector<Bytes>{selectTotp, verifyPin1234,
                                             bytesOf("00 11 00 00 04 61 62 63 64")}));
    card.queue("90 00");
    EXPECT_EQ(totp_setPin("Reader", "1234", std::string(17, 'a').c_str(), true, nullptr),
              QUENLIX_KEY_ERROR_INVALID_AUTH_CREDENTIAL);
    EXPECT_EQ(totp_setPin("Reader", "123", "abcd", true, nullptr),
              QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
}

TEST(TotpApi, PinInfoSlotListAndSlotInfo) {
    TotpCard card;
    card.queue("03 00 00 90 00");
    int32_t maxTries = 0;
    int32_t triesLeft = 0;
    int32_t pinSet = 0;
    EXPECT_EQ(totp_getPinInfo("Reader", &maxTries, &triesLeft, &pinSet), 0);
    EXPECT_EQ(card.sent.back(), bytesOf("00 10 00 00"));
    EXPECT_EQ(maxTries, 3);
    EXPECT_EQ(triesLeft, 0);
    EXPECT_EQ(pinSet, 1);

    card.queue("00 03 90 00");
    card.queue("00 03 90 00");
    size_t length = 0;
    EXPECT_EQ(totp_listSlots("Reader", nullptr, &length), 0);
    EXPECT_EQ(length, 2u);
    uint8_t slots[2];
    EXPECT_EQ(totp_listSlots("Reader", slots, &length), 0);
    EXPECT_EQ(slots[1], 3);
    EXPECT_EQ(card.sent.back(), bytesOf("00 20 00 00"));

    card.queue("30 0B 80 01 01 86 01 61 87 03 49 73 73 90 00");
    TotpSlotInfo info;
    EXPECT_EQ(totp_getSlotInfo("Reader", 3, &info), 0);
    EXPECT_EQ(card.sent.back(), bytesOf("00 21 03 00"));
    EXPECT_TRUE(info.pinProtected);
    EXPECT_EQ(info.account, "a");
    EXPECT_EQ(info.issuer, "Iss");

    EXPECT_EQ(totp_getPinInfo("Reader", &maxTries, nullptr, &pinSet),
              QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
}

TEST(TotpApi, ClearResetAndResetPinCommands) {
    TotpCard card;
    card.queue("90 00");
    card.queue("90 00");
    card.queue("90 00");
    EXPECT_EQ(totp_clearSlot("Reader", 7), 0);
    EXPECT_EQ(totp_reset("Reader"), 0);
    EXPECT_EQ(totp_resetPin("Reader"), 0);
    EXPECT_EQ(card.sent,
              (std::vector<Bytes>{selectTotp, bytesOf("00 23 07 00"), selectTotp,
                                  bytesOf("00 30 00 00"), selectTotp, bytesOf("00 14 00 00")}));
}
