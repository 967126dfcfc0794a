#include "device/otp/BigEndianBytes.h"

std::vector<uint8_t> toBigEndianBytes(uint64_t value, size_t width) {
    std::vector<uint8_t> bytes(width);
    for (size_t index = width; index > 0; --index) {
        bytes[index - 1] = static_cast<uint8_t>(value & 0xFF);
        value >>= 8;
    }
    return bytes;
}
