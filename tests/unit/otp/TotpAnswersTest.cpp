#include "device/otp/TotpAnswers.h"

#include "device/transport/DeviceException.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

template <typename Parse> int32_t failureCode(Parse parse, const Bytes& answer) {
    try {
        parse(answer);
    } catch (const DeviceException& failure) {
        return failure.code;
    }
    return 0;
}

// Time origin 0x0100, period 30, then the code characters.
Bytes codeAnswer(const std::string& code) {
    Bytes answer{0, 0, 0, 0, 0, 0, 0x01, 0x00, 0, 0, 0, 30};
    for (char character : code) {
        answer.push_back(static_cast<uint8_t>(character));
    }
    return answer;
}

} // namespace

TEST(TotpSelectAnswer, FourBytesGiveVersionAndSlotCount) {
    const TotpAppletVersion version = parseTotpSelectAnswer({1, 2, 3, 8});
    EXPECT_EQ(version.major, 1u);
    EXPECT_EQ(version.minor, 2u);
    EXPECT_EQ(version.patch, 3u);
    EXPECT_EQ(version.slotCount, 8u);
    EXPECT_EQ(failureCode(parseTotpSelectAnswer, {1, 2, 3}), QUENLIX_KEY_ERROR_INVALID_RESPONSE);
    EXPECT_EQ(failureCode(parseTotpSelectAnswer, {1, 2, 3, 8, 0}),
              QUENLIX_KEY_ERROR_INVALID_RESPONSE);
}

TEST(TotpPinInfoAnswer, ZeroStateMeansAPinIsSet) {
    const TotpPinInfo blocked = parseTotpPinInfo({3, 0, 0});
    EXPECT_EQ(blocked.maxTries, 3);
    EXPECT_EQ(blocked.triesLeft, 0);
    EXPECT_TRUE(blocked.pinSet);
    const TotpPinInfo unset = parseTotpPinInfo({5, 5, 1});
    EXPECT_EQ(unset.maxTries, 5);
    EXPECT_EQ(unset.triesLeft, 5);
    EXPECT_FALSE(unset.pinSet);
    EXPECT_EQ(failureCode(parseTotpPinInfo, {3, 3}), QUENLIX_KEY_ERROR_INVALID_RESPONSE);
    EXPECT_EQ(failureCode(parseTotpPinInfo, {3, 3, 0, 0}), QUENLIX_KEY_ERROR_INVALID_RESPONSE);
}

TEST(TotpCodeAnswer, SplitsOriginPeriodAndCode) {
    const TotpCode six = parseTotpCode(codeAnswer("123456"));
    EXPECT_EQ(six.timeOrigin, 0x0100u);
    EXPECT_EQ(six.period, 30u);
    EXPECT_EQ(six.code, "123456");
    EXPECT_EQ(parseTotpCode(codeAnswer("123456789")).code, "123456789");
}

TEST(TotpCodeAnswer, WrongSizesAndZeroPeriodAreInvalidResponses) {
    EXPECT_EQ(failureCode(parseTotpCode, codeAnswer("12345")), QUENLIX_KEY_ERROR_INVALID_RESPONSE);
    EXPECT_EQ(failureCode(parseTotpCode, codeAnswer("1234567890")),
              QUENLIX_KEY_ERROR_INVALID_RESPONSE);
    Bytes zeroPeriod = codeAnswer("123456");
    zeroPeriod[11] = 0;
    EXPECT_EQ(failureCode(parseTotpCode, zeroPeriod), QUENLIX_KEY_ERROR_INVALID_RESPONSE);
}

TEST(TotpCodeValidity, CountsToTheEndOfTheWindow) {
    EXPECT_EQ(totpCodeValidity(1000000005, {0, 30, "000000"}), 15u);
    // At the first second of a window the code is valid for a full period, never 0.
    EXPECT_EQ(totpCodeValidity(1000000020, {0, 30, "000000"}), 30u);
    EXPECT_EQ(totpCodeValidity(1000000019, {0, 30, "000000"}), 1u);
}

TEST(TotpCodeValidity, WindowsStartAtTheTimeOrigin) {
    EXPECT_EQ(totpCodeValidity(1000000010, {1000000007, 30, "000000"}), 27u);
    EXPECT_EQ(totpCodeValidity(1000000037, {1000000007, 30, "000000"}), 30u);
    EXPECT_EQ(totpCodeValidity(1000000006, {1000000007, 30, "000000"}), 1u);
    EXPECT_EQ(totpCodeValidity(1000000000, {1000000030, 30, "000000"}), 30u);
    // Nothing overflows near the end of the 64-bit range.
    EXPECT_EQ(totpCodeValidity(UINT64_MAX, {UINT64_MAX - 5, 4000000000u, "000000"}),
              4000000000u - 5);
}
