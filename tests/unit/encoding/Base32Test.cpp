#include "encoding/Base32.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

struct Base32Vector {
    std::string padded;
    std::string unpadded;
    std::string hex;
};

// RFC 4648 section 10: "", "f", "fo", "foo", "foob", "fooba", "foobar".
const Base32Vector rfc4648Vectors[] = {
    {"", "", ""},
    {"MY======", "MY", "66"},
    {"MZXQ====", "MZXQ", "666F"},
    {"MZXW6===", "MZXW6", "666F6F"},
    {"MZXW6YQ=", "MZXW6YQ", "666F6F62"},
    {"MZXW6YTB", "MZXW6YTB", "666F6F6261"},
    {"MZXW6YTBOI======", "MZXW6YTBOI", "666F6F626172"},
};

std::string base32Error(const std::string& text) {
    try {
        base32ToHex(text);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "no error";
}

TEST(Base32ToHex, DecodesRfc4648VectorsWithAndWithoutPadding) {
    for (const auto& vector : rfc4648Vectors) {
        EXPECT_EQ(base32ToHex(vector.padded), vector.hex) << vector.padded;
        EXPECT_EQ(base32ToHex(vector.unpadded), vector.hex) << vector.unpadded;
    }
}

TEST(Base32ToHex, UsesTheWholeAlphabet) {
    // 32 characters, values 0..31 in order: 20 bytes.
    EXPECT_EQ(base32ToHex("ABCDEFGHIJKLMNOPQRSTUVWXYZ234567"),
              "00443214C74254B635CF84653A56D7C675BE77DF");
}

TEST(Base32ToHex, DropsIncompleteTrailingBitsAndAnyPadding) {
    EXPECT_EQ(base32ToHex("A"), "");
    EXPECT_EQ(base32ToHex("7"), "");
    EXPECT_EQ(base32ToHex("="), "");
    EXPECT_EQ(base32ToHex("=========="), "");
    EXPECT_EQ(base32ToHex("MY="), "66");
    EXPECT_EQ(base32ToHex("77"), "FF");
}

TEST(Base32ToHex, RejectsCharactersOutsideTheAlphabet) {
    for (const std::string& text : std::vector<std::string>{
             "my======", "MZXw6YTB", "M=Y", "=MY", "MY ", " MY", "0A", "1A", "8A", "9A", "M-", "A@",
             "A[", "\xC3\x84", std::string("A\0", 2)}) {
        EXPECT_EQ(base32Error(text), "Contains invalid character") << text;
    }
}

} // namespace
