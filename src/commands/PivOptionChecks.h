#pragma once

#include <CLI/CLI.hpp>
#include <map>
#include <string>
#include <vector>

// Parse-time checks of the piv options. Each rejects a value with a message that CLI11
// reports after the option's long name.

// PIN of 6 to 8 bytes.
CLI::Validator pivPinCheck();

// PUK of exactly 8 bytes.
CLI::Validator pivPukCheck();

// Triple-DES management key as hex text of 24 bytes.
CLI::Validator managementKeyCheck();

// PIN or PUK retry count: decimal digits giving 1 to 255 (the card keeps one byte), rewritten
// to plain decimal so that a leading zero does not make the number octal. Attach with
// ->transform().
CLI::Validator retryCountAsDecimal();

// An output path that is not empty: an unset shell variable must not pass for a file name.
CLI::Validator outputPathCheck();

// Two-letter country code of a certificate request, in either case; the value is kept as typed.
CLI::Validator countryCheck();

// The key slots by name ("9A", "9C", ..., "95"), in the slot table's order.
std::vector<std::string> pivSlotNames();

// Algorithm option names and the card's identifiers.
std::map<std::string, int32_t> pivAlgorithmNames();
