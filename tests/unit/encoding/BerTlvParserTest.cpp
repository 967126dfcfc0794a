#include "encoding/BerTlvParser.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes concat(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

TEST(BerTlvParser, EmptyDataHasNothingAndIsAtEnd) {
    BerTlvParser parser({});
    EXPECT_TRUE(parser.atEnd());
    EXPECT_EQ(parser.find(0x53), Bytes{});
    EXPECT_TRUE(parser.atEnd());
}

TEST(BerTlvParser, FindsNestedElementsWithASecondParser) {
    BerTlvParser outer({0x7F, 0x49, 0x03, 0x86, 0x01, 0x04});
    const Bytes publicKey = outer.find(0x7F49);
    EXPECT_EQ(publicKey, (Bytes{0x86, 0x01, 0x04}));
    BerTlvParser inner(publicKey);
    EXPECT_EQ(inner.find(0x86), Bytes{0x04});
    EXPECT_TRUE(inner.atEnd());
}

TEST(BerTlvParser, MatchesMultiByteTagsAsOneNumber) {
    BerTlvParser parser({0x5F, 0xC1, 0x05, 0x02, 0xAA, 0xBB});
    EXPECT_EQ(parser.find(0x5FC105), (Bytes{0xAA, 0xBB}));
    EXPECT_EQ(parser.find(0x5F), Bytes{});
    EXPECT_EQ(parser.find(0x5FC1), Bytes{});
    EXPECT_EQ(parser.find(0x05), Bytes{});

    BerTlvParser fourByteTag({0x1F, 0x81, 0x82, 0x03, 0x01, 0xCC});
    EXPECT_EQ(fourByteTag.find(0x1F818203), Bytes{0xCC});
}

TEST(BerTlvParser, AtEndTellsWhetherTheFoundElementWasLast) {
    BerTlvParser parser({0x01, 0x01, 0xAA, 0x02, 0x01, 0xBB});
    EXPECT_EQ(parser.find(0x01), Bytes{0xAA});
    EXPECT_FALSE(parser.atEnd());
    EXPECT_EQ(parser.find(0x02), Bytes{0xBB});
    EXPECT_TRUE(parser.atEnd());
    EXPECT_EQ(parser.find(0x01), Bytes{0xAA});
    EXPECT_FALSE(parser.atEnd());
    EXPECT_EQ(parser.find(0x03), Bytes{});
    EXPECT_TRUE(parser.atEnd());
}

TEST(BerTlvParser, ReturnsTheFirstOfRepeatedTags) {
    BerTlvParser parser({0x71, 0x01, 0x01, 0x71, 0x01, 0x02});
    EXPECT_EQ(parser.find(0x71), Bytes{0x01});
}

TEST(BerTlvParser, ReadsEveryLengthForm) {
    const Bytes value80(0x80, 0x11);
    const Bytes value100(0x100, 0x22);
    const Bytes value10000(0x10000, 0x33);
    const Bytes data =
        concat(concat(concat(concat(Bytes{0x01, 0x81, 0x80}, value80),
                             concat({0x02, 0x82, 0x01, 0x00}, value100)),
                      concat({0x03, 0x83, 0x01, 0x00, 0x00}, value10000)),
               {0x04, 0x84, 0x00, 0x00, 0x00, 0x02, 0xAA, 0xBB, 0x05, 0x80, 0x06, 0x01, 0xCC});
    BerTlvParser parser(data);
    EXPECT_EQ(parser.find(0x01), value80);
    EXPECT_EQ(parser.find(0x02), value100);
    EXPECT_EQ(parser.find(0x03), value10000);
    EXPECT_EQ(parser.find(0x04), (Bytes{0xAA, 0xBB}));
    // 0x80 is an empty value, not an indefinite length: the search goes on behind it.
    EXPECT_EQ(parser.find(0x05), Bytes{});
    EXPECT_FALSE(parser.atEnd());
    EXPECT_EQ(parser.find(0x06), Bytes{0xCC});
    EXPECT_TRUE(parser.atEnd());
}

TEST(BerTlvParser, MalformedDataReadsAsAbsent) {
    const std::vector<Bytes> malformed = {
        {0x1F, 0x81, 0x81, 0x81, 0x01, 0x01, 0xAA},       // tag longer than four bytes
        {0x5F},                                           // tag cut short
        {0x5F, 0xC1},                                     // tag cut short
        {0x53},                                           // no length
        {0x53, 0x05, 0x01, 0x02},                         // value shorter than length
        {0x53, 0x82, 0x01},                               // length bytes missing
        {0x53, 0x84, 0xFF, 0xFF, 0xFF, 0xFF, 0x00},       // length far beyond the data
        {0x53, 0x85, 0x00, 0x00, 0x00, 0x00, 0x01, 0xAA}, // more than four length bytes
        {0x53, 0xFF, 0x01, 0xAA},                         // 127 length bytes announced
    };
    for (const Bytes& data : malformed) {
        BerTlvParser parser(data);
        EXPECT_EQ(parser.find(0x53), Bytes{});
        EXPECT_EQ(parser.find(0x1F818181), Bytes{});
        EXPECT_EQ(parser.find(0x5FC1), Bytes{});
    }
}

TEST(BerTlvParser, SearchStopsAtMalformedData) {
    // Read leniently, each of these would be an empty element followed by 54 01 BB.
    BerTlvParser tooManyLengthBytes({0x53, 0x85, 0x00, 0x00, 0x00, 0x00, 0x00, 0x54, 0x01, 0xBB});
    EXPECT_EQ(tooManyLengthBytes.find(0x54), Bytes{});
    BerTlvParser tagTooLong({0x1F, 0x81, 0x81, 0x81, 0x01, 0x00, 0x54, 0x01, 0xBB});
    EXPECT_EQ(tagTooLong.find(0x54), Bytes{});
}

TEST(BerTlvParser, ElementsBeforeMalformedDataAreFound) {
    BerTlvParser parser({0x01, 0x01, 0xAA, 0x53, 0x05, 0x01});
    EXPECT_EQ(parser.find(0x01), Bytes{0xAA});
    EXPECT_FALSE(parser.atEnd());
    EXPECT_EQ(parser.find(0x02), Bytes{});
}

} // namespace
