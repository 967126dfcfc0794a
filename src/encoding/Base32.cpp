#include "encoding/Base32.h"

#include "encoding/Hex.h"

#include <cstdint>
#include <stdexcept>

namespace {

constexpr char padding = '=';
constexpr unsigned bitsPerCharacter = 5;
constexpr unsigned bitsPerByte = 8;

uint32_t base32Value(char character) {
    if (character >= 'A' && character <= 'Z') {
        return static_cast<uint32_t>(character - 'A');
    }
    if (character >= '2' && character <= '7') {
        return static_cast<uint32_t>(character - '2' + 26);
    }
    throw std::runtime_error("Contains invalid character");
}

} // namespace

std::string base32ToHex(const std::string& text) {
    const size_t end = text.find_last_not_of(padding);
    const size_t length = end == std::string::npos ? 0 : end + 1;

    // Sized once, so that no reallocation leaves a plain copy of the key behind.
    std::string hex;
    hex.reserve(length * bitsPerCharacter / bitsPerByte * 2);
    uint32_t pendingBits = 0;
    unsigned pendingCount = 0;
    for (size_t i = 0; i < length; ++i) {
        pendingBits = pendingBits << bitsPerCharacter | base32Value(text[i]);
        pendingCount += bitsPerCharacter;
        if (pendingCount >= bitsPerByte) {
            pendingCount -= bitsPerByte;
            appendHexDigits(hex, static_cast<uint8_t>(pendingBits >> pendingCount));
            pendingBits &= (1U << pendingCount) - 1;
        }
    }
    return hex;
}
