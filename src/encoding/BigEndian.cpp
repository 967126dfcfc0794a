#include "encoding/BigEndian.h"

#include <stdexcept>

uint64_t bigEndianToUint64(const std::vector<uint8_t>& bytes) {
    if (bytes.size() > sizeof(uint64_t)) {
        throw std::runtime_error("Maximal length of data is 8.");
    }
    uint64_t value = 0;
    for (const uint8_t byte : bytes) {
        value = value << 8 | byte;
    }
    return value;
}

// The value, then its width.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::vector<uint8_t> toBigEndianBytes(uint64_t value, size_t width) {
    std::vector<uint8_t> bytes(width);
    for (size_t index = width; index > 0; --index) {
        bytes[index - 1] = static_cast<uint8_t>(value & 0xFF);
        value >>= 8;
    }
    return bytes;
}
