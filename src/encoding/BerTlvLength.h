#pragma once

#include "encoding/SecretBytes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Length fields of encoded BER-TLV elements: short form up to 0x7F, then 0x81, 0x82 or 0x83
// followed by one to three length bytes. Longer lengths throw BerTlvBuilderException.

// Number of bytes of the length field for a content of the given length.
size_t berTlvLengthFieldSize(size_t length);

// Appends the length field for a content of the given length.
void appendBerTlvLength(std::vector<uint8_t>& out, size_t length);

// Appends a whole element (tag, length field, value) to secret bytes, for elements that carry a
// key or that enclose one.
void appendSecretBerTlv(SecretBytes& out, uint8_t tag, const SecretBytes& value);
