#include "app/PrintableText.h"

#include <gtest/gtest.h>

TEST(PrintableText, ControlCharactersAreEscapedAndUtf8Kept) {
    EXPECT_EQ(printableText("mail\x1b[2J"), "mail\\x1B[2J");
    EXPECT_EQ(printableText("a\nSLOT #7\t\x7f"), "a\\x0ASLOT #7\\x09\\x7F");
    EXPECT_EQ(printableText(std::string("a\0b", 3)), "a\\x00b");
    EXPECT_EQ(printableText("Gr\xc3\xbc\xc3\x9f"
                            "e"),
              "Gr\xc3\xbc\xc3\x9f"
              "e");
    EXPECT_TRUE(isPrintableText("Virtual PCD 00 00"));
    EXPECT_FALSE(isPrintableText("Virtual\x1b"));
}
