#include "commands/OtpOptionChecks.h"

#include <algorithm>
#include <gtest/gtest.h>

// The numeric transforms on edge values; the messages of every check are covered end to end.
namespace {

class NumericOptions : public ::testing::Test {
protected:
    NumericOptions() {
        app.add_option("--counter", counter)->transform(counterAsDecimal());
        app.add_option("--period", period)->transform(periodAsDecimal());
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
};

} // namespace

TEST_F(NumericOptions, LeadingZerosDoNotMakeOctal) {
    EXPECT_EQ(parse({"--counter", "010", "--period", "030"}), "");
    EXPECT_EQ(counter, 10);
    EXPECT_EQ(period, 30);
    EXPECT_EQ(parse({"--counter", "0000000000000000000000002147483647"}), "");
    EXPECT_EQ(counter, 2147483647);
}

TEST_F(NumericOptions, CounterRejectsWhatIsNotAPlainNonNegativeNumber) {
    for (const char* text : {"0x10", " 1", "+1", "4294967295", "99999999999999999999"}) {
        EXPECT_EQ(parse({"--counter", text}),
                  "--counter: The counter must be a non-negative integer number")
            << text;
    }
}

TEST_F(NumericOptions, PeriodEdges) {
    EXPECT_EQ(parse({"--period", "-30"}), "--period: The period must be a at least 5 seconds");
    EXPECT_EQ(parse({"--period", "0"}),
              "--period: The provided period is too short. The period must be at least 5 seconds");
    for (const char* text : {"4294967326", "99999999999999999999999"}) {
        EXPECT_EQ(parse({"--period", text}),
                  "--period: The provided period is too long. The period must be less than a day")
            << text;
    }
}
