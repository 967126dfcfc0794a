#include "encoding/BigEndian.h"

#include "support/ExpectThrown.h"

#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>

namespace {

TEST(BigEndianToUint64, ReadsMostSignificantByteFirst) {
    EXPECT_EQ(bigEndianToUint64({}), 0U);
    EXPECT_EQ(bigEndianToUint64({0x2A}), 42U);
    EXPECT_EQ(bigEndianToUint64({0x00, 0x00, 0x01, 0x02}), 258U);
    EXPECT_EQ(bigEndianToUint64({0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}),
              0x0102030405060708U);
    EXPECT_EQ(bigEndianToUint64(std::vector<uint8_t>(8, 0xFF)),
              std::numeric_limits<uint64_t>::max());
}

TEST(BigEndianToUint64, RejectsMoreThanEightBytes) {
    expectThrown<std::runtime_error>([] { bigEndianToUint64(std::vector<uint8_t>(9, 0x00)); },
                                     [](const std::runtime_error& error) {
                                         EXPECT_STREQ(error.what(), "Maximal length of data is 8.");
                                     });
}

} // namespace
