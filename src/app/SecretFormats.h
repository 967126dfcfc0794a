#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

// Command-line handling of PINs and keys given as text in a user-chosen format.
//
// The transforms read the format variable when CLI11 validates the governed option. CLI11
// validates options in registration order once the whole line is read, so registering the
// format option before the options it governs makes it apply wherever it stands on the line.
// The format variable must outlive the option the transform is attached to.

// Transform for a PIN option: with format "hex" (any case) the argument is replaced by the
// decoded bytes, otherwise it is kept. A PIN containing a zero byte is rejected, because PINs
// travel on as zero-terminated text and would be cut short silently.
// Attach with ->transform() so that length checks see the bytes.
CLI::Validator applyPinFormat(const std::string& pinFormat);

// Transform for a key option: with format "base32" (any case) the argument is replaced by its
// upper-case hex form, otherwise it is kept as typed (it is then expected to be hex already).
CLI::Validator applyKeyFormat(const std::string& keyFormat);

// Registers "--pin-format" (one of ascii/hex, any case, default ascii) and sets the variable to
// its default. pinOptions names the options it governs, for the help text,
// e.g. {"--pin", "--change-pin"}.
CLI::Option* addPinFormatOption(CLI::App& app, std::string& pinFormat,
                                const std::vector<std::string>& pinOptions);

// Registers "--key-format" (one of base32/hex, any case, default base32) and sets the variable
// to its default.
CLI::Option* addKeyFormatOption(CLI::App& app, std::string& keyFormat);
