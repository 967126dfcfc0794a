#include "app/JoinStrings.h"

#include <gtest/gtest.h>

TEST(JoinStrings, SeparatorOnlyBetweenNeighbours) {
    EXPECT_EQ(joinStrings({}, ","), "");
    EXPECT_EQ(joinStrings({"one"}, ","), "one");
    EXPECT_EQ(joinStrings({"a", "b", "c"}, ", "), "a, b, c");
    EXPECT_EQ(joinStrings({"", ""}, "\n"), "\n");
}
