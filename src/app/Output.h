#pragma once

#include <cstdint>
#include <string>

// The help hint that follows every failure message.
inline constexpr const char* helpHint = "Run with --help for more information.";

// Writes a failure message and the help hint to standard error; returns -1 so that a
// command can end with `return reportFailure(...)`. A hint that is not empty is a line of its
// own between the two, which says what to do.
int32_t reportFailure(const std::string& message, const std::string& hint = "");

// Flushes standard output; false when anything written to it was lost (a full disk,
// /dev/full, a closed descriptor).
bool flushStandardOutput();
