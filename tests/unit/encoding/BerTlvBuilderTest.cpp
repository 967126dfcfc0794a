#include "encoding/BerTlvBuilder.h"

#include "encoding/BerTlvException.h"
#include "encoding/BerTlvParser.h"
#include "encoding/PrimitiveBerTlv.h"
#include "support/ExpectThrown.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes header(const Bytes& encoded, size_t size) {
    return Bytes(encoded.begin(), encoded.begin() + static_cast<std::ptrdiff_t>(size));
}

TEST(BerTlvBuilder, EmptyBuilderBuildsNothing) {
    EXPECT_EQ(BerTlvBuilder().build(), Bytes{});
}

TEST(BerTlvBuilder, EncodesNodesInTheOrderAdded) {
    BerTlvBuilder builder;
    builder.addPrimitive(0x7C, {0x81, 0x00});
    builder.addConstructed(0x53);
    builder.addPrimitive(0x80, {});
    EXPECT_EQ(builder.build(), (Bytes{0x7C, 0x02, 0x81, 0x00, 0x53, 0x00, 0x80, 0x00}));
}

TEST(BerTlvBuilder, ConstructedNodeWrapsItsChildren) {
    BerTlvBuilder builder;
    ConstructedBerTlv& authentication = builder.addConstructed(0x7C);
    authentication.addPrimitive(0x82, Bytes(8, 0xEE));
    authentication.addPrimitive(0x81, {});
    const Bytes expected = {0x7C, 0x0C, 0x82, 0x08, 0xEE, 0xEE, 0xEE,
                            0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0x81, 0x00};
    EXPECT_EQ(builder.build(), expected);
}

TEST(BerTlvBuilder, WritesShortAndLongLengthForms) {
    const std::pair<size_t, Bytes> cases[] = {
        {0x7F, {0x53, 0x7F}},
        {0x80, {0x53, 0x81, 0x80}},
        {0xFF, {0x53, 0x81, 0xFF}},
        {0x100, {0x53, 0x82, 0x01, 0x00}},
        {0xFFFF, {0x53, 0x82, 0xFF, 0xFF}},
        {0x10000, {0x53, 0x83, 0x01, 0x00, 0x00}},
    };
    for (const auto& [size, expectedHeader] : cases) {
        BerTlvBuilder builder;
        builder.addPrimitive(0x53, Bytes(size, 0x5A));
        const Bytes encoded = builder.build();
        EXPECT_EQ(encoded.size(), expectedHeader.size() + size);
        EXPECT_EQ(header(encoded, expectedHeader.size()), expectedHeader) << size;
    }
}

TEST(BerTlvBuilder, ConstructedLengthCountsChildHeaders) {
    BerTlvBuilder builder;
    ConstructedBerTlv& node = builder.addConstructed(0x53);
    node.addPrimitive(0x70, Bytes(0x80, 0x01));
    node.addPrimitive(0x71, Bytes(0x100, 0x02));
    // (1 + 2 + 0x80) + (1 + 3 + 0x100) = 0x187
    EXPECT_EQ(node.length(), 0x187U);
    const Bytes encoded = builder.build();
    EXPECT_EQ(header(encoded, 7), (Bytes{0x53, 0x82, 0x01, 0x87, 0x70, 0x81, 0x80}));
    EXPECT_EQ(encoded.size(), 4U + 0x187U);
}

TEST(BerTlvBuilder, NestedNodesRoundTripThroughTheParser) {
    std::vector<std::unique_ptr<BerTlv>> innerChildren;
    innerChildren.push_back(std::make_unique<PrimitiveBerTlv>(0x80, Bytes{0x11}));
    std::vector<std::unique_ptr<BerTlv>> children;
    children.push_back(std::make_unique<ConstructedBerTlv>(0xAC, std::move(innerChildren)));
    children.push_back(std::make_unique<PrimitiveBerTlv>(0xFE, Bytes(200, 0x42)));
    ConstructedBerTlv outer(0x53, std::move(children));

    EXPECT_TRUE(outer.isConstructed());
    EXPECT_FALSE(outer.isPrimitive());
    EXPECT_EQ(outer.asConstructed(), &outer);
    EXPECT_EQ(outer.asPrimitive(), nullptr);
    BerTlv& first = *outer.children().front();
    EXPECT_TRUE(first.isConstructed());
    EXPECT_EQ(outer.children().back()->asConstructed(), nullptr);
    ASSERT_NE(outer.children().back()->asPrimitive(), nullptr);
    EXPECT_EQ(outer.children().back()->asPrimitive()->value(), Bytes(200, 0x42));

    Bytes encoded;
    outer.encode(encoded);
    BerTlvParser top(encoded);
    const Bytes content = top.find(0x53);
    EXPECT_TRUE(top.atEnd());
    BerTlvParser middle(content);
    EXPECT_EQ(middle.find(0xFE), Bytes(200, 0x42));
    BerTlvParser inner(middle.find(0xAC));
    EXPECT_EQ(inner.find(0x80), Bytes{0x11});
}

TEST(BerTlvBuilder, RejectsContentBeyondThreeLengthBytes) {
    BerTlvBuilder builder;
    builder.addPrimitive(0x53, Bytes(0x1000000, 0x00));
    EXPECT_THROW(builder.build(), BerTlvBuilderException);

    ConstructedBerTlv node(0x53);
    node.addPrimitive(0x70, Bytes(0x1000000, 0x00));
    expectThrown<BerTlvBuilderException>([&] { (void)node.length(); },
                                         [](const BerTlvBuilderException& error) {
                                             EXPECT_STREQ(error.what(), "Length is not supported");
                                         });

    // The children fit, but their sum does not.
    ConstructedBerTlv sum(0x53);
    sum.addPrimitive(0x70, Bytes(0xFFFFFF, 0x00));
    sum.addPrimitive(0x71, Bytes(0x10, 0x00));
    Bytes encoded;
    EXPECT_THROW(sum.encode(encoded), BerTlvBuilderException);
}

} // namespace
