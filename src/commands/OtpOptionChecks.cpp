#include "commands/OtpOptionChecks.h"

#include "app/PrintableText.h"
#include "app/SecretWiping.h"
#include "device/otp/Hotp.h"
#include "device/otp/Totp.h"
#include "encoding/Hex.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

// The text read as a decimal number; nothing when it is empty, holds anything but the digits
// 0-9, or exceeds 64 bits.
std::optional<uint64_t> readDecimal(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (char character : text) {
        if (character < '0' || character > '9') {
            return std::nullopt;
        }
        const uint64_t digit = static_cast<uint64_t>(character - '0');
        if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    return value;
}

bool onlyDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

std::string checkCounter(std::string& text) {
    const std::string message = "The counter must be a non-negative integer number";
    std::optional<uint64_t> value = readDecimal(text);
    // The counter field is a signed 32-bit integer: every larger value is refused here, so
    // that none of them reaches the conversion with a different message.
    if (!value || *value > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
        return message;
    }
    text = std::to_string(*value);
    return "";
}

std::string checkPeriod(std::string& text) {
    const std::string minimum = std::to_string(totpMinimumPeriod);
    if (!onlyDigits(text)) {
        return "The period must be a at least " + minimum + " seconds";
    }
    std::optional<uint64_t> value = readDecimal(text);
    if (value && *value < totpMinimumPeriod) {
        return "The provided period is too short. The period must be at least " + minimum +
               " seconds";
    }
    if (!value || *value > totpMaximumPeriod) {
        return "The provided period is too long. The period must be less than a day";
    }
    text = std::to_string(*value);
    return "";
}

} // namespace

CLI::Validator keyLengthCheck(size_t minimumLength, size_t maximumLength) {
    return secretCheck([minimumLength, maximumLength](const std::string& key) -> std::string {
        size_t length = 0;
        try {
            length = secretHexToBytes(key).size();
        } catch (const std::runtime_error& error) {
            return error.what();
        }
        if (length < minimumLength) {
            return "The provided key is too short. The key must not have at least " +
                   std::to_string(minimumLength) + " bytes";
        }
        if (length > maximumLength) {
            return "The provided key is too long. The key must not have at most " +
                   std::to_string(maximumLength) + " bytes";
        }
        return "";
    });
}

CLI::Validator nameLengthCheck(const std::string& what) {
    return CLI::Validator(
        [what](std::string& name) -> std::string {
            if (name.size() > totpMaximumNameLength) {
                return "The " + what + " must not exceed " + std::to_string(totpMaximumNameLength) +
                       " characters in length";
            }
            // The name comes back in slot listings; it must not steer the terminal there.
            if (!isPrintableText(name)) {
                return "The " + what + " must not contain control characters";
            }
            return "";
        },
        "");
}

CLI::Validator counterAsDecimal() {
    return CLI::Validator(checkCounter, "");
}

CLI::Validator serialNumberAsDecimal() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            std::optional<uint64_t> value = readDecimal(text);
            if (!value) {
                return "The serial number must be a non-negative integer number";
            }
            text = std::to_string(*value);
            return "";
        },
        "");
}

CLI::Validator periodAsDecimal() {
    return CLI::Validator(checkPeriod, "");
}

CLI::Validator totpDigitsCheck() {
    return CLI::Range(int32_t{totpMinimumDigits}, int32_t{totpMaximumDigits});
}

CLI::Validator hotpCodeLengthCheck() {
    return CLI::IsMember({std::to_string(hotpShortCodeLength), std::to_string(hotpLongCodeLength)});
}
