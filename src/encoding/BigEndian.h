#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Reads up to eight bytes as an unsigned number, most significant byte first; no bytes give 0.
// Throws std::runtime_error "Maximal length of data is 8." for longer input.
uint64_t bigEndianToUint64(const std::vector<uint8_t>& bytes);

// The low `width` bytes of value, most significant first (width at most 8).
std::vector<uint8_t> toBigEndianBytes(uint64_t value, size_t width);
