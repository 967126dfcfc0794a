// Feeds arbitrary text to the hex and base32 decoders: they must either throw one of their two
// messages or produce output consistent with the input.

#include "encoding/Base32.h"
#include "encoding/BigEndian.h"
#include "encoding/Hex.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool isKnownDecoderMessage(const std::runtime_error& error) {
    return std::strcmp(error.what(), "Needs to be of even length") == 0 ||
           std::strcmp(error.what(), "Contains invalid character") == 0;
}

std::string toUpper(std::string text) {
    for (char& character : text) {
        if (character >= 'a' && character <= 'z') {
            character = static_cast<char>(character - 'a' + 'A');
        }
    }
    return text;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const auto& part : parts) {
        text += part;
    }
    return text;
}

void checkHex(const std::string& text) {
    std::vector<uint8_t> bytes;
    try {
        bytes = hexToBytes(text);
    } catch (const std::runtime_error& error) {
        require(isKnownDecoderMessage(error));
        return;
    }
    require(bytes.size() * 2 == text.size());
    require(joined(bytesToHexList(bytes, "")) == toUpper(text));

    const std::vector<uint8_t> head(bytes.begin(),
                                    bytes.begin() + std::min<size_t>(8, bytes.size()));
    uint64_t expected = 0;
    for (const uint8_t byte : head) {
        expected = expected * 256 + byte;
    }
    require(bigEndianToUint64(head) == expected);
}

void checkBase32(const std::string& text) {
    std::string hex;
    try {
        hex = base32ToHex(text);
    } catch (const std::runtime_error& error) {
        require(std::strcmp(error.what(), "Contains invalid character") == 0);
        return;
    }
    const size_t end = text.find_last_not_of('=');
    const size_t characters = end == std::string::npos ? 0 : end + 1;
    require(hex.size() == characters * 5 / 8 * 2);
    require(hexToBytes(hex).size() * 2 == hex.size());
    require(toUpper(hex) == hex);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkHex(text);
    checkBase32(text);
    return 0;
}
