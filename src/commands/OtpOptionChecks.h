#pragma once

#include <CLI/CLI.hpp>
#include <cstddef>

// Parse-time checks shared by the hotp and totp options, and the serial number of the
// smart-card commands (the PIN's is in PinLengthCheck.h).
// Each rejects a value with a message that CLI11 reports after the option's long name.

// Key given as hex text that decodes to minimumLength to maximumLength bytes.
CLI::Validator keyLengthCheck(size_t minimumLength, size_t maximumLength);

// TOTP account or issuer name of at most totpMaximumNameLength bytes; `what` names it in the
// message.
CLI::Validator nameLengthCheck(const std::string& what);

// HOTP counter: decimal digits only, read as decimal (leading zeros do not make it octal) and
// rewritten to plain decimal. Attach with ->transform().
CLI::Validator counterAsDecimal();

// Serial number of a key: decimal digits only, at most 64 bits, rewritten to plain decimal.
// Attach with ->transform().
CLI::Validator serialNumberAsDecimal();

// TOTP period of totpMinimumPeriod to totpMaximumPeriod seconds: decimal digits only,
// rewritten to plain decimal.
// Attach with ->transform().
CLI::Validator periodAsDecimal();

// TOTP code length of totpMinimumDigits to totpMaximumDigits.
CLI::Validator totpDigitsCheck();

// HOTP code length: one of the applet's two lengths.
CLI::Validator hotpCodeLengthCheck();
