#include "encoding/Hex.h"

#include <stdexcept>

namespace {

constexpr int invalidDigit = -1;

// Locale-independent on purpose: std::isxdigit depends on the locale and is undefined for
// negative chars, which bytes outside ASCII become.
int hexDigitValue(char character) {
    if (character >= '0' && character <= '9') {
        return character - '0';
    }
    if (character >= 'a' && character <= 'f') {
        return character - 'a' + 10;
    }
    if (character >= 'A' && character <= 'F') {
        return character - 'A' + 10;
    }
    return invalidDigit;
}

template <typename Container> Container decodeHex(std::string_view text) {
    if (text.size() % 2 != 0) {
        throw std::runtime_error("Needs to be of even length");
    }
    Container bytes;
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = hexDigitValue(text[i]);
        const int low = hexDigitValue(text[i + 1]);
        if (high == invalidDigit || low == invalidDigit) {
            throw std::runtime_error("Contains invalid character");
        }
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return bytes;
}

} // namespace

std::vector<uint8_t> hexToBytes(const std::string& text) {
    return decodeHex<std::vector<uint8_t>>(text);
}

SecretBytes secretHexToBytes(std::string_view text) {
    return decodeHex<SecretBytes>(text);
}

std::string byteToHex(uint8_t byte, const std::string& prefix) {
    std::string text = prefix;
    appendHexDigits(text, byte);
    return text;
}

void appendHexDigits(std::string& text, uint8_t byte) {
    static constexpr char digits[] = "0123456789ABCDEF";
    text += digits[byte >> 4];
    text += digits[byte & 0x0F];
}

std::vector<std::string> bytesToHexList(const std::vector<uint8_t>& bytes,
                                        const std::string& prefix) {
    std::vector<std::string> list;
    list.reserve(bytes.size());
    for (const uint8_t byte : bytes) {
        list.push_back(byteToHex(byte, prefix));
    }
    return list;
}
