#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The low `width` bytes of value, most significant first (width at most 8).
std::vector<uint8_t> toBigEndianBytes(uint64_t value, size_t width);
