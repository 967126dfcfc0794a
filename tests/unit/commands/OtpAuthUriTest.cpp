#include "commands/OtpAuthUri.h"

#include <gtest/gtest.h>

namespace {

// JBSWY3DPEHPK3PXP is "Hello!\xDE\xAD\xBE\xEF".
const char* const helloHex = "48656C6C6F21DEADBEEF";

} // namespace

TEST(OtpAuthUri, PartsOfTheKeyUriFormat) {
    struct Case {
        std::string uri;
        std::string type;
        std::string account;
        std::optional<std::string> issuer;
        std::optional<int32_t> algorithm;
        std::optional<std::string> digits;
        std::optional<std::string> period;
        std::optional<std::string> counter;
    };
    const std::vector<Case> cases = {
        {"otpauth://totp/alice?secret=JBSWY3DPEHPK3PXP", "totp", "alice", {}, {}, {}, {}, {}},
        {"otpauth://totp/Example:alice@example.org?secret=jbswy3dpehpk3pxp&issuer=Example",
         "totp",
         "alice@example.org",
         "Example",
         {},
         {},
         {},
         {}},
        {"otpauth://totp/Big%20Bank%3A%20%20alice%20?secret=JBSWY3DPEHPK3PXP====&algorithm="
         "sha256&digits=8&period=60&image=x",
         "totp",
         "alice",
         "Big Bank",
         1,
         "8",
         "60",
         {}},
        {"otpauth://hotp/bob?counter=42&secret=JBSWY3DPEHPK3PXP&algorithm=SHA512",
         "hotp",
         "bob",
         {},
         2,
         {},
         {},
         "42"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uri);
        const auto parsed = parseOtpAuthUri(c.uri, c.type);
        ASSERT_TRUE(std::holds_alternative<OtpAuthUri>(parsed)) << std::get<std::string>(parsed);
        const OtpAuthUri& parts = std::get<OtpAuthUri>(parsed);
        EXPECT_EQ(parts.account, c.account);
        EXPECT_EQ(parts.issuer, c.issuer);
        EXPECT_EQ(parts.keyHex, helloHex);
        EXPECT_EQ(parts.algorithm, c.algorithm);
        EXPECT_EQ(parts.digits, c.digits);
        EXPECT_EQ(parts.period, c.period);
        EXPECT_EQ(parts.counter, c.counter);
    }
}

TEST(OtpAuthUri, RefusalsNameTheFieldAndNeverTheSecret) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"otpauth://hotp/alice?secret=JBSWY3DPEHPK3PXP", "the URI must begin with otpauth://totp/"},
        {"https://example.org/alice?secret=JBSWY3DPEHPK3PXP",
         "the URI must begin with otpauth://totp/"},
        {"otpauth://totp/alice?issuer=Example", "secret: the URI has no secret"},
        {"otpauth://totp/alice?secret=JBSWY3DPEHPK3PX1", "secret: Contains invalid character"},
        {"otpauth://totp/A:alice?secret=JBSWY3DPEHPK3PXP&issuer=B",
         "issuer: the label names the issuer A, the issuer parameter B"},
        {"otpauth://totp/alice?secret=JBSWY3DPEHPK3PXP&algorithm=MD5",
         "algorithm: the algorithm must be SHA1, SHA256 or SHA512"},
        {"otpauth://totp/alice?secret=JBSWY3DPEHPK3PXP&digits=6&digits=8",
         "digits: the parameter is given twice"},
        {"otpauth://totp/al%2ice?secret=JBSWY3DPEHPK3PXP",
         "label: the URI holds a bad percent escape"},
        {"otpauth://totp/alice?secret=JBSWY3DPEHPK3PXP%0",
         "secret: the URI holds a bad percent escape"},
    };
    for (const auto& [uri, message] : cases) {
        SCOPED_TRACE(uri);
        const auto parsed = parseOtpAuthUri(uri, "totp");
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
        EXPECT_EQ(std::get<std::string>(parsed), message);
    }
}
