#include "encoding/Hex.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using Bytes = std::vector<uint8_t>;

std::string hexToBytesError(const std::string& text) {
    try {
        hexToBytes(text);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "no error";
}

TEST(HexToBytes, DecodesPairsInEitherCase) {
    EXPECT_EQ(hexToBytes(""), Bytes{});
    EXPECT_EQ(hexToBytes("aB"), Bytes{0xAB});
    EXPECT_EQ(hexToBytes("AB"), Bytes{0xAB});
    EXPECT_EQ(hexToBytes("00ff10"), (Bytes{0x00, 0xFF, 0x10}));
    EXPECT_EQ(hexToBytes("0123456789abcdefABCDEF"),
              (Bytes{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xAB, 0xCD, 0xEF}));
}

TEST(HexToBytes, ChecksLengthBeforeCharacters) {
    EXPECT_EQ(hexToBytesError("0"), "Needs to be of even length");
    EXPECT_EQ(hexToBytesError("xyz"), "Needs to be of even length");
}

TEST(HexToBytes, RejectsNonHexCharacters) {
    for (const std::string& text :
         std::vector<std::string>{"0g", "g0", "0x", " 0", "0 ", "-1", "+1", "\xC3\xA4", "\xFF\x30",
                                  std::string("0\0", 2), "/0", ":0", "@0", "G0", "`0"}) {
        EXPECT_EQ(hexToBytesError(text), "Contains invalid character") << text;
    }
}

// Decoding into wiped memory must not change what a PIN or key decodes to, or how it fails.
TEST(SecretHexToBytes, DecodesAndFailsLikeHexToBytes) {
    const auto outcome = [](auto decode, const std::string& text) {
        try {
            const auto bytes = decode(text);
            return std::string(bytes.begin(), bytes.end());
        } catch (const std::runtime_error& error) {
            return std::string("error: ") + error.what();
        }
    };
    const auto plain = [](const std::string& text) { return hexToBytes(text); };
    const auto secret = [](const std::string& text) { return secretHexToBytes(text); };
    for (const std::string& text : std::vector<std::string>{
             "", "aB", "00ff10", "0123456789abcdefABCDEF", std::string(128, 'f'), "0", "xyz", "0g",
             "\xFF\x30", std::string("0\0", 2)}) {
        EXPECT_EQ(outcome(secret, text), outcome(plain, text)) << text;
    }
}

TEST(ByteToHex, WritesTwoUpperCaseDigitsAfterThePrefix) {
    EXPECT_EQ(byteToHex(0x0A, ""), "0A");
    EXPECT_EQ(byteToHex(0xFF, ""), "FF");
    EXPECT_EQ(byteToHex(0x00, ""), "00");
    EXPECT_EQ(byteToHex(0x05, "0x"), "0x05");
}

TEST(BytesToHexList, FormatsEachByte) {
    EXPECT_TRUE(bytesToHexList({}, "0x").empty());
    EXPECT_EQ(bytesToHexList({0x00, 0xAB}, ""), (std::vector<std::string>{"00", "AB"}));
    EXPECT_EQ(bytesToHexList({0x9A, 0x01}, "0x"), (std::vector<std::string>{"0x9A", "0x01"}));
}

TEST(Hex, EveryByteSurvivesARoundTrip) {
    for (int value = 0; value <= 0xFF; ++value) {
        const auto byte = static_cast<uint8_t>(value);
        EXPECT_EQ(hexToBytes(byteToHex(byte)), Bytes{byte});
    }
}

} // namespace
