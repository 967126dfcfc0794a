#pragma once

#include <cstdint>
#include <string>

// The line that says what to do about the PC/SC failure behind a failure the program reports,
// written between the failure's message and the help hint; empty when there is nothing to say.

// For a device failure with this QuenlixKeyError code.
std::string pcscHintForError(int32_t code);

// For a smart-card command that found no key (no reader, no key, no key with a serial number).
std::string pcscHintForMissingKey();
