#pragma once

#include <CLI/CLI.hpp>
#include <cstddef>

// Parse-time check of a PIN option: minimumLength to maximumLength bytes, counted after the
// PIN format (if any) was applied, or a message that CLI11 reports after the option's long
// name. The value it sees is wiped once checked.
CLI::Validator pinLengthCheck(size_t minimumLength, size_t maximumLength);
