#include "crypto/OpenSSLException.h"

#include <gtest/gtest.h>
#include <openssl/err.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    lines.push_back(text.substr(start));
    return lines;
}

} // namespace

TEST(CryptoOpenSSLException, MessageListsTheDrainedErrorQueue) {
    struct Case {
        int entries;
        std::vector<std::string> linePrefixes; // the last element is what follows the last \n
    };
    const std::vector<Case> cases = {
        {0, {"Could not parse key"}},
        {1, {"Could not parse key: error:"}},
        {3, {"Could not parse key:", "1: error:", "2: error:", "3: error:", ""}},
    };
    for (const Case& c : cases) {
        ERR_clear_error();
        for (int reason = 1; reason <= c.entries; ++reason) {
            ERR_raise(ERR_LIB_USER, reason);
        }
        const std::vector<std::string> lines =
            linesOf(OpenSSLException("Could not parse key").what());
        ASSERT_EQ(lines.size(), c.linePrefixes.size()) << c.entries;
        for (size_t index = 0; index < lines.size(); ++index) {
            EXPECT_EQ(lines[index].rfind(c.linePrefixes[index], 0), 0U) << lines[index];
            if ((index == 0 && c.entries != 1) || c.linePrefixes[index].empty()) {
                EXPECT_EQ(lines[index], c.linePrefixes[index]);
            }
        }
        EXPECT_EQ(ERR_peek_error(), 0UL) << "queue left with entries: " << c.entries;
    }
}
