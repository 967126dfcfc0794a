#include "PivCard.h"
#include "device/piv/Piv.h"
#include "device/transport/QuenlixKeyError.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

const char* const reader = "Reader";
const std::string newKey = "0F0E0D0C0B0A09080706050403020100F0E0D0C0B0A09080";
const std::string setNewKey = "00 FF FF FF 1B 03 9B 18 0F 0E 0D 0C 0B 0A 09 08 07 06 05 04 03 "
                              "02 01 00 F0 E0 D0 C0 B0 A0 90 80";
const std::string verify123456 = "00 20 00 80 08 31 32 33 34 35 36 FF FF";

struct Case {
    std::string name;
    std::function<int32_t()> call;
    std::vector<std::string> answers;
    std::vector<std::string> apdus; // after SELECT
    int32_t code;
};

void runCases(const std::vector<Case>& cases) {
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        PivCard card;
        card.queue(test.answers);
        EXPECT_EQ(test.call(), test.code);
        EXPECT_EQ(card.sentAfterSelect(), bytesOfAll(test.apdus));
        EXPECT_EQ(card.disconnects, 1);
    }
}

std::function<int32_t()> changePin(const char* pin, const char* newPin) {
    return [=] { return piv_changePin(reader, pin, newPin); };
}

std::function<int32_t()> configure(uint32_t pinRetries, uint32_t pukRetries) {
    return [=] {
        return piv_configureRetries(reader, defaultManagementKey, "123456", pinRetries, pukRetries);
    };
}

std::function<int32_t()> setKey(std::string key, std::string next) {
    return [=] { return piv_setManagementKey(reader, key.c_str(), next.c_str()); };
}

} // namespace

// clang-format off
TEST(PivCredentials, PinsArePaddedAndCheckedBeforeTheCardSeesThem) {
    runCases({
        {"6-byte PIN padded, 8-byte PIN not", changePin("123456", "87654321"), {"90 00"},
         {"00 24 00 80 10 31 32 33 34 35 36 FF FF 38 37 36 35 34 33 32 31"}, 0},
        {"old PIN checked first", changePin("12345", "123456789"), {}, {}, QUENLIX_KEY_ERROR_AUTH},
        {"new PIN too long", changePin("123456", "123456789"), {}, {},
         QUENLIX_KEY_ERROR_INVALID_AUTH_CREDENTIAL},
        {"PUKs unpadded", [] { return piv_changePuk(reader, "12345678", "87654321"); }, {"90 00"},
         {"00 24 00 81 10 31 32 33 34 35 36 37 38 38 37 36 35 34 33 32 31"}, 0},
        {"unblock", [] { return piv_unblockPin(reader, "12345678", "654321"); }, {"90 00"},
         {"00 2C 00 80 10 31 32 33 34 35 36 37 38 36 35 34 33 32 31 FF FF"}, 0},
        {"unblock with a PUK of 7", [] { return piv_unblockPin(reader, "1234567", "654321"); },
         {}, {}, QUENLIX_KEY_ERROR_AUTH},
        {"reset", [] { return piv_reset(reader); }, {"69 82"}, {"00 FB 00 80"},
         QUENLIX_KEY_ERROR_ILLEGAL_STATE},
        {"retries after key and PIN", configure(10, 4), {witnessAnswer, "90 00", "90 00", "90 00"},
         afterAuthentication({verify123456, "00 FA 0A 04"}), 0},
        {"PIN retries 0", configure(0, 4), {witnessAnswer, "90 00", "90 00"},
         afterAuthentication({verify123456}), QUENLIX_KEY_ERROR_INVALID_ARGUMENT},
        {"PUK retries 256 would reach the card as 0", configure(3, 256),
         {witnessAnswer, "90 00", "90 00"}, afterAuthentication({verify123456}),
         QUENLIX_KEY_ERROR_INVALID_ARGUMENT},
    });
}

TEST(PivCredentials, EveryAuthenticationFailureIsOneAuthError) {
    const std::vector<std::string> askWitness = {authenticationApdus[0]};
    runCases({
        {"witness encrypted, then the new key", setKey(defaultManagementKey, newKey),
         {witnessAnswer, "90 00", "90 00"}, afterAuthentication({setNewKey}), 0},
        {"key of 32 bytes", setKey(std::string(64, 'A'), newKey), {}, {}, QUENLIX_KEY_ERROR_AUTH},
        {"no witness", setKey(defaultManagementKey, newKey), {"7C 02 80 00 90 00"}, askWitness,
         QUENLIX_KEY_ERROR_AUTH},
        {"witness of two blocks", setKey(defaultManagementKey, newKey),
         {"7C 12 81 10 00 11 22 33 44 55 66 77 00 11 22 33 44 55 66 77 90 00"}, askWitness,
         QUENLIX_KEY_ERROR_AUTH},
        {"encrypted witness refused", setKey(defaultManagementKey, newKey),
         {witnessAnswer, "69 82"}, authenticationApdus, QUENLIX_KEY_ERROR_AUTH},
        {"new key of 23 bytes", setKey(defaultManagementKey, std::string(46, 'A')),
         {witnessAnswer, "90 00"}, authenticationApdus, QUENLIX_KEY_ERROR_INVALID_AUTH_CREDENTIAL},
        {"new key refused", setKey(defaultManagementKey, newKey),
         {witnessAnswer, "90 00", "6A 80"}, afterAuthentication({setNewKey}),
         QUENLIX_KEY_ERROR_INVALID_AUTH_CREDENTIAL},
    });
}
// clang-format on
