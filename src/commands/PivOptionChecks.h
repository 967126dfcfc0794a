#pragma once

#include <CLI/CLI.hpp>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
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

// An output path that is not empty: an unset shell variable must not pass for a file name.
CLI::Validator outputPathCheck();

// Two-letter country code of a certificate request, in either case; the value is kept as typed.
CLI::Validator countryCheck();

// The key slots by name ("9A", "9C", ..., "95"), in the slot table's order.
std::vector<std::string> pivSlotNames();

// A subject alternative name of one of the forms a request or certificate takes.
CLI::Validator subjectAltNameCheck();

// Transform of a key policy option: the names (case-sensitive) or their numbers.
template <size_t Count>
CLI::Validator policyNames(const std::array<std::pair<std::string_view, uint8_t>, Count>& table) {
    std::vector<std::pair<std::string, int32_t>> names;
    std::string description = "value in {";
    for (const auto& [name, value] : table) {
        names.emplace_back(std::string(name), value);
        description += std::string(name) + (names.size() < Count ? "," : "}");
    }
    return CLI::CheckedTransformer(names).description(description);
}

// Algorithm option names and the card's identifiers.
std::map<std::string, int32_t> pivAlgorithmNames();
