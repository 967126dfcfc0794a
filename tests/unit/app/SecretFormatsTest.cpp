#include "app/SecretFormats.h"

#include "encoding/Hex.h"
#include "support/ExpectThrown.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>

namespace {

// Registers options the way the one-time-password commands do: format options first, then the
// PIN and key options with the transform ahead of their length checks.
class FormatOptions : public ::testing::Test {
protected:
    FormatOptions() {
        addPinFormatOption(app, pinFormat, {"--pin", "--change-pin"});
        app.add_option("-p,--pin", pin)->transform(applyPinFormat(pinFormat))->check(pinLength);
        app.add_option("--change-pin", newPin)
            ->transform(applyPinFormat(pinFormat))
            ->check(pinLength);
        addKeyFormatOption(app, keyFormat);
        app.add_option("--key", key)->transform(applyKeyFormat(keyFormat))->check(keyLength);
    }

    // Returns the CLI11 exit code; the message of a failure is kept in `error`.
    int parse(std::vector<std::string> arguments) {
        std::reverse(arguments.begin(), arguments.end());
        try {
            app.parse(arguments);
        } catch (const CLI::ParseError& parseError) {
            error = parseError.what();
            return parseError.get_exit_code();
        }
        return 0;
    }

    static std::string pinLength(const std::string& value) {
        return value.size() < 4 ? "The provided PIN is too short" : "";
    }

    static std::string keyLength(const std::string& value) {
        try {
            return hexToBytes(value).size() < 16 ? "The provided key is too short" : "";
        } catch (const std::runtime_error& decodeError) {
            return decodeError.what();
        }
    }

    CLI::App app;
    std::string pinFormat;
    std::string pin;
    std::string newPin;
    std::string keyFormat;
    std::string key;
    std::string error;
};

const std::string key16Hex = "3132333435363738393A3B3C3D3E3F40";
const std::string key16Base32 = "GEZDGNBVGY3TQOJ2HM6D2PR7IA";

TEST_F(FormatOptions, DefaultsToAsciiPinAndBase32Key) {
    ASSERT_EQ(parse({"--pin", "12345678", "--key", key16Base32}), 0) << error;
    EXPECT_EQ(pinFormat, "ascii");
    EXPECT_EQ(keyFormat, "base32");
    EXPECT_EQ(pin, "12345678");
    EXPECT_EQ(key, key16Hex);
}

TEST_F(FormatOptions, HexPinFormatAppliesWhereverItStands) {
    ASSERT_EQ(parse({"-p", "31323334", "--change-pin", "6162636465", "--pin-format", "hex"}), 0)
        << error;
    EXPECT_EQ(pin, "1234");
    EXPECT_EQ(newPin, "abcde");
}

TEST_F(FormatOptions, PinFormatIgnoresCaseAndKeepsTheTypedValue) {
    ASSERT_EQ(parse({"--pin-format", "HEX", "--pin", "FFfe8001"}), 0) << error;
    EXPECT_EQ(pinFormat, "HEX");
    EXPECT_EQ(pin, "\xFF\xFE\x80\x01");
}

TEST_F(FormatOptions, PinLengthIsCheckedOnTheDecodedBytes) {
    EXPECT_EQ(parse({"--pin-format", "hex", "--pin", "313233"}), 105);
    EXPECT_EQ(error, "--pin: The provided PIN is too short");
}

TEST_F(FormatOptions, BadHexPinIsReportedForTheLongName) {
    EXPECT_EQ(parse({"-p", "123", "--pin-format", "hex"}), 105);
    EXPECT_EQ(error, "--pin: Needs to be of even length");
    EXPECT_EQ(parse({"--pin-format", "hex", "--change-pin", "313g"}), 105);
    EXPECT_EQ(error, "--change-pin: Contains invalid character");
}

TEST_F(FormatOptions, ExitRoutinePrintsTheMessageAndHint) {
    expectThrown<CLI::ParseError>(
        [&] {
            app.parse(std::vector<std::string>{"123", "--pin", "hex", "--pin-format"});
        },
        [&](const CLI::ParseError& parseError) {
            std::ostringstream out;
            std::ostringstream err;
            EXPECT_EQ(app.exit(parseError, out, err), 105);
            EXPECT_EQ(out.str(), "");
            EXPECT_EQ(err.str(),
                      "--pin: Needs to be of even length\nRun with --help for more information.\n");
        });
}

TEST_F(FormatOptions, HexPinWithZeroByteIsRejected) {
    EXPECT_EQ(parse({"--pin-format", "hex", "--pin", "3132003334"}), 105);
    EXPECT_EQ(error, "--pin: The provided PIN must not contain a zero byte");
    EXPECT_EQ(parse({"--pin-format", "hex", "--pin", "00000000"}), 105);
    EXPECT_EQ(error, "--pin: The provided PIN must not contain a zero byte");
}

TEST_F(FormatOptions, AsciiPinIsKeptEvenIfItLooksLikeHex) {
    ASSERT_EQ(parse({"--pin", "00"}), 105);
    EXPECT_EQ(error, "--pin: The provided PIN is too short");
    ASSERT_EQ(parse({"--pin", "0g1 "}), 0) << error;
    EXPECT_EQ(pin, "0g1 ");
}

TEST_F(FormatOptions, UnknownFormatsAreRejected) {
    EXPECT_EQ(parse({"--pin-format", "utf8", "--pin", "1234"}), 105);
    EXPECT_EQ(error.rfind("--pin-format: ", 0), 0U) << error;
    EXPECT_EQ(parse({"--key-format", "base64", "--key", key16Hex}), 105);
    EXPECT_EQ(error.rfind("--key-format: ", 0), 0U) << error;
}

TEST_F(FormatOptions, HexKeyIsKeptAsTyped) {
    const std::string lowerCase = "3132333435363738393a3b3c3d3e3f40";
    ASSERT_EQ(parse({"--key", lowerCase, "--key-format", "Hex"}), 0) << error;
    EXPECT_EQ(key, lowerCase);
    EXPECT_EQ(hexToBytes(key), hexToBytes(key16Hex));
}

TEST_F(FormatOptions, BadKeysAreReportedForTheKeyOption) {
    EXPECT_EQ(parse({"--key", key16Hex}), 105);
    EXPECT_EQ(error, "--key: Contains invalid character");
    EXPECT_EQ(parse({"--key-format", "hex", "--key", key16Hex + "0"}), 105);
    EXPECT_EQ(error, "--key: Needs to be of even length");
}

TEST_F(FormatOptions, Base32KeyBelowOneByteBecomesEmptyAndTooShort) {
    EXPECT_EQ(parse({"--key", "A"}), 105);
    EXPECT_EQ(error, "--key: The provided key is too short");
}

TEST(FormatOptionRegistration, HelpNamesTheGovernedOptionsAndDefaults) {
    CLI::App app;
    std::string pinFormat;
    std::string keyFormat;
    const CLI::Option* pinOption =
        addPinFormatOption(app, pinFormat, {"--pin", "--set-pin", "--change-pin"});
    const CLI::Option* keyOption = addKeyFormatOption(app, keyFormat);

    EXPECT_EQ(pinOption->get_description().rfind("The format of the PIN value for the --pin, "
                                                 "--set-pin or --change-pin option. A PIN is",
                                                 0),
              0U);
    EXPECT_EQ(keyOption->get_description().rfind(
                  "The format of the key value for the --key option. If not specified", 0),
              0U);
    EXPECT_EQ(pinOption->get_default_str(), "ascii");
    EXPECT_EQ(keyOption->get_default_str(), "base32");
}

} // namespace
