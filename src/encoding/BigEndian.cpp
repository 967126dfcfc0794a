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
