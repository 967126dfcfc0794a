#include "commands/OtpOptionChecks.h"

#include "commands/PinLengthCheck.h"
#include "device/otp/Hotp.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

// One option of each kind, registered as the hotp and totp commands do.
class OtpOptions : public ::testing::Test {
protected:
    OtpOptions() {
        app.add_option("--counter", counter)->transform(counterAsDecimal());
        app.add_option("--period", period)->transform(periodAsDecimal());
        app.add_option("--pin", pin)
            ->check(pinLengthCheck(hotpMinimumPinLength, hotpMaximumPinLength));
        app.add_option("--key", key)
            ->check(keyLengthCheck(hotpMinimumKeyLength, hotpMaximumKeyLength));
        app.add_option("--account", account)->check(nameLengthCheck("account"));
    }

    // The failure message, empty when the line parsed.
    std::string parse(std::vector<std::string> arguments) {
        std::reverse(arguments.begin(), arguments.end());
        try {
            app.parse(arguments);
        } catch (const CLI::ParseError& error) {
            return error.what();
        }
        return "";
    }

    CLI::App app;
    int32_t counter = -7;
    int32_t period = 30;
    std::string pin;
    std::string key;
    std::string account;
};

const std::string counterMessage = "--counter: The counter must be a non-negative integer number";

} // namespace

TEST_F(OtpOptions, CounterIsReadAsDecimal) {
    EXPECT_EQ(parse({"--counter", "010"}), "");
    EXPECT_EQ(counter, 10);
    EXPECT_EQ(parse({"--counter", "2147483647"}), "");
    EXPECT_EQ(counter, 2147483647);
    EXPECT_EQ(parse({"--counter", "0000000000000000000000002147483647"}), "");
    EXPECT_EQ(counter, 2147483647);
}

TEST_F(OtpOptions, CounterRejectsAnythingButANonNegativeNumber) {
    for (const char* text : {"-1", "1e3", "", "0x10", " 1", "+1", "2147483648", "4294967295",
                             "4294967296", "6442450944", "99999999999999999999"}) {
        EXPECT_EQ(parse({"--counter", text}), counterMessage) << text;
    }
}

TEST_F(OtpOptions, PeriodIsReadAsDecimalWithinADay) {
    EXPECT_EQ(parse({"--period", "030"}), "");
    EXPECT_EQ(period, 30);
    EXPECT_EQ(parse({"--period", "5"}), "");
    EXPECT_EQ(period, 5);
    EXPECT_EQ(parse({"--period", "86400"}), "");
    EXPECT_EQ(period, 86400);
}

TEST_F(OtpOptions, PeriodMessages) {
    const std::string notANumber = "--period: The period must be a at least 5 seconds";
    const std::string tooShort =
        "--period: The provided period is too short. The period must be at least 5 seconds";
    const std::string tooLong =
        "--period: The provided period is too long. The period must be less than a day";
    EXPECT_EQ(parse({"--period", "1e2"}), notANumber);
    EXPECT_EQ(parse({"--period", ""}), notANumber);
    EXPECT_EQ(parse({"--period", "-30"}), notANumber);
    EXPECT_EQ(parse({"--period", "4"}), tooShort);
    EXPECT_EQ(parse({"--period", "0"}), tooShort);
    EXPECT_EQ(parse({"--period", "86401"}), tooLong);
    EXPECT_EQ(parse({"--period", "4294967326"}), tooLong);
    EXPECT_EQ(parse({"--period", "99999999999999999999999"}), tooLong);
}

TEST_F(OtpOptions, PinLengthBounds) {
    EXPECT_EQ(parse({"--pin", "123"}),
              "--pin: The provided PIN is too short. The PIN must have at least 4 characters");
    EXPECT_EQ(parse({"--pin", "123456789"}),
              "--pin: The provided PIN is too long. The PIN must not have more than 8 characters");
    EXPECT_EQ(parse({"--pin", "1234"}), "");
    EXPECT_EQ(parse({"--pin", "12345678"}), "");
}

TEST_F(OtpOptions, KeyLengthIsCountedInDecodedBytes) {
    EXPECT_EQ(parse({"--key", std::string(30, 'A')}),
              "--key: The provided key is too short. The key must not have at least 16 bytes");
    EXPECT_EQ(parse({"--key", std::string(130, 'A')}),
              "--key: The provided key is too long. The key must not have at most 64 bytes");
    EXPECT_EQ(parse({"--key", std::string(31, 'A')}), "--key: Needs to be of even length");
    EXPECT_EQ(parse({"--key", std::string(30, 'A') + "XY"}), "--key: Contains invalid character");
    EXPECT_EQ(parse({"--key", std::string(32, 'a')}), "");
    EXPECT_EQ(parse({"--key", std::string(128, 'A')}), "");
}

TEST_F(OtpOptions, NamesUpToSixtyBytes) {
    EXPECT_EQ(parse({"--account", std::string(60, 'a')}), "");
    EXPECT_EQ(parse({"--account", std::string(61, 'a')}),
              "--account: The account must not exceed 60 characters in length");
}
