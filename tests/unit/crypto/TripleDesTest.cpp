#include "crypto/TripleDes.h"

#include "encoding/Hex.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

namespace {

SecretBytes secretFromHex(const std::string& hex) {
    const std::vector<uint8_t> bytes = hexToBytes(hex);
    return SecretBytes(bytes.begin(), bytes.end());
}

} // namespace

// Known answer of NIST SP 800-67 (first block of its TDEA ECB example), plus inputs whose
// sizes the library would silently read past or leave half encrypted.
TEST(CryptoTripleDes, EncryptsOneBlockUnderAThreeKeyBundle) {
    struct Case {
        std::string key;
        std::string block;
        std::string expected; // empty: refused
    };
    const std::string nistKey = "0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123";
    const std::vector<Case> cases = {
        {nistKey, "5468652071756663", "A826FD8CE53B855F"},
        {nistKey.substr(0, 32), "5468652071756663", ""},
        {nistKey, "54686520717566", ""},
        {nistKey, "54686520717566635468652071756663", ""},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> block = hexToBytes(c.block);
        if (c.expected.empty()) {
            EXPECT_THROW(tripleDesEncrypt(secretFromHex(c.key), block, SymmetricCipher::TripleDes),
                         std::runtime_error)
                << c.key << " " << c.block;
        } else {
            EXPECT_EQ(tripleDesEncrypt(secretFromHex(c.key), block, SymmetricCipher::TripleDes),
                      hexToBytes(c.expected));
        }
    }
}
