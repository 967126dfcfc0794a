#include "ObjectCard.h"
#include "device/piv/Piv.h"
#include "device/transport/QuenlixKeyError.h"

#include <gtest/gtest.h>

namespace {

const char* const reader = "Reader";

// The content PUT DATA wrote to the object, checked against its fixed head and tail; the
// random part between them is returned.
Bytes writtenRandomPart(const Bytes& object, const std::string& head, const std::string& tail,
                        size_t total, int32_t (*set)(const char*, const char*)) {
    ObjectCard card;
    EXPECT_EQ(set(reader, defaultManagementKey), 0);
    if (card.written.size() != 1) {
        ADD_FAILURE() << "one PUT DATA expected";
        return {};
    }
    const auto& [id, content] = card.written.front();
    EXPECT_EQ(id, object);
    const Bytes start = bytesOf(head);
    const Bytes end = bytesOf(tail);
    EXPECT_EQ(content.size(), total);
    EXPECT_EQ(Bytes(content.begin(), content.begin() + start.size()), start);
    EXPECT_EQ(Bytes(content.end() - end.size(), content.end()), end);
    return Bytes(content.begin() + start.size(), content.end() - end.size());
}

} // namespace

TEST(PivIdentityObjects, CccAndChuidHaveTheirLayoutAndFreshRandomParts) {
    const std::string fascn =
        "D4 E7 39 DA 73 9C ED 39 CE 73 9D 83 60 D8 21 08 42 10 84 21 08 42 10 87 F3";
    struct Case {
        std::string name;
        Bytes object;
        // The object's bytes before and after its random part.
        std::string head;
        std::string tail;
        // Length of the whole object.
        size_t total;
        int32_t (*set)(const char*, const char*);
    };
    const Case cases[] = {
        {"CCC", bytesOf("5F C1 07"), "53 37 F0 19 A0 00 00 01 16 05 02",
         "F1 01 21 F2 01 21 F3 00 F4 01 00 F5 01 00 F6 00 F7 00 FA 00 FB 00 FC 00 FD 00 FE 00", 57,
         piv_setCcc},
        {"CHUID", bytesOf("5F C1 02"), "53 3B 30 19 " + fascn + " 34 10",
         "35 08 32 30 33 33 30 31 30 31 3E 00 FE 00", 61, piv_setChuid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes first = writtenRandomPart(c.object, c.head, c.tail, c.total, c.set);
        const Bytes second = writtenRandomPart(c.object, c.head, c.tail, c.total, c.set);
        EXPECT_NE(first, second);
    }
}
