#pragma once

#include <optional>
#include <string>
#include <variant>

// The parts of an enrolment URI in the Key URI format,
// otpauth://TYPE/LABEL?PARAMETERS, as texts that still have to pass the checks of the options
// they stand for. Only the parameters the URI gives are set.
struct OtpAuthUri {
    std::string account;
    std::optional<std::string> issuer; // from the label or the issuer parameter (they agree)
    std::string keyHex;                // the secret, upper-case hex; wipe it after use
    std::optional<int32_t> algorithm;  // 0 SHA1, 1 SHA256, 2 SHA512
    std::optional<std::string> digits;
    std::optional<std::string> period;
    std::optional<std::string> counter;
};

// The URI's parts, or the message naming what is wrong ("secret: ...", "issuer: ..."). type is
// "totp" or "hotp", the type the URI must have. The message never holds the secret.
std::variant<OtpAuthUri, std::string> parseOtpAuthUri(const std::string& uri,
                                                      const std::string& type);
