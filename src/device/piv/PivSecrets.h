#pragma once

#include "encoding/SecretBytes.h"

#include <cstring>

// The bytes of a zero-terminated PIN, PUK or hex management key, held where they are wiped.
// The caller has checked text for null.
inline SecretBytes secretText(const char* text) {
    return SecretBytes(text, text + std::strlen(text));
}
