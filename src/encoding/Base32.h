#pragma once

#include <string>

// Decodes base32 text (upper-case alphabet A-Z 2-7, trailing '=' ignored) into upper-case hex
// text. Bits that do not fill a whole byte at the end are dropped.
// Throws std::runtime_error "Contains invalid character" for anything else, including lower
// case and an '=' before the last alphabet character.
std::string base32ToHex(const std::string& text);
