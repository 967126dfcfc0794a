#pragma once

#include <CLI/CLI.hpp>
#include <map>
#include <string>
#include <vector>

// Parse-time checks of the piv options. Each rejects a value with a message that CLI11
// reports after the option's long name.

// PIN of pivMinimumPinLength to pivMaximumPinLength bytes.
CLI::Validator pivPinCheck();

// PUK of exactly pivPukLength bytes.
CLI::Validator pivPukCheck();

// Triple-DES management key as hex text of pivManagementKeyLength bytes.
CLI::Validator managementKeyCheck();

// PIN or PUK retry count: decimal digits giving 1 to pivMaximumRetries, rewritten
// to plain decimal so that a leading zero does not make the number octal. Attach with
// ->transform().
CLI::Validator retryCountAsDecimal();

// Two-letter country code of a certificate request, in either case; the value is kept as typed.
CLI::Validator countryCheck();

// The key slots by name ("9A", "9C", ..., "95"), in the slot table's order.
std::vector<std::string> pivSlotNames();

// Algorithm option names and the card's identifiers.
std::map<std::string, int32_t> pivAlgorithmNames();
