#include "ObjectCard.h"
#include "device/piv/Piv.h"
#include "device/transport/QuenlixKeyError.h"

#include <gtest/gtest.h>

namespace {

const char* const reader = "Reader";
const Bytes keyHistory = bytesOf("5F C1 0C");

// Certificate object of the retired slot at position 1 to 20 (82 to 95).
Bytes retired(uint8_t position) {
    return {0x5F, 0xC1, static_cast<uint8_t>(0x0C + position)};
}

} // namespace

TEST(PivKeyHistory, CountsTheLastRetiredSlotHoldingACertificate) {
    const EvpPkeyPtr key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
    const std::string certificate = answerWith(certificateObject(selfSignedDer(*key, "Retired")));
    const std::string corrupt = "53 06 70 04 30 02 05 00 90 00";
    const std::string storedZero = "53 0C C1 01 00 C2 01 03 F3 04 75 72 6C 31 90 00";
    const Bytes writtenFour = bytesOf("53 0E C1 01 04 C2 01 03 F3 04 75 72 6C 31 FE 00");
    struct Case {
        std::string name;
        std::map<Bytes, std::string> objects;
        int32_t code;
        // The Key History content written; empty when nothing is.
        Bytes written;
    };
    const Case cases[] = {
        {"certificates in 82 and 85",
         {{keyHistory, storedZero}, {retired(1), certificate}, {retired(4), certificate}},
         0,
         writtenFour},
        {"count unchanged",
         {{keyHistory, "53 06 C1 01 04 C2 01 03 90 00"}, {retired(4), certificate}},
         0,
         {}},
        {"emptied objects above count as none",
         {{keyHistory, storedZero},
          {retired(20), "53 00 90 00"},
          {retired(9), "53 03 71 01 00 90 00"},
          {retired(4), certificate}},
         0,
         writtenFour},
        {"no retired certificate left",
         {{keyHistory, "53 06 C1 01 02 C2 01 00 90 00"}, {retired(2), "53 00 90 00"}},
         0,
         bytesOf("53 08 C1 01 00 C2 01 00 FE 00")},
        {"corrupt certificate fails the update",
         {{keyHistory, storedZero}, {retired(9), corrupt}, {retired(4), certificate}},
         QUENLIX_KEY_ERROR_INVALID_DATA,
         {}},
        {"card error fails the update",
         {{keyHistory, storedZero}, {retired(20), "69 82"}},
         QUENLIX_KEY_ERROR_ILLEGAL_STATE,
         {}},
        {"no Key History object", {{retired(4), certificate}}, QUENLIX_KEY_ERROR_NOT_FOUND, {}},
        {"C1 of two bytes",
         {{keyHistory, "53 07 C1 02 00 00 C2 01 00 90 00"}},
         QUENLIX_KEY_ERROR_INVALID_DATA,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ObjectCard card;
        card.objects = c.objects;
        EXPECT_EQ(piv_updateKeyHistory(reader, defaultManagementKey), c.code);
        const std::vector<std::pair<Bytes, Bytes>> expected =
            c.written.empty() ? std::vector<std::pair<Bytes, Bytes>>{}
                              : std::vector<std::pair<Bytes, Bytes>>{{keyHistory, c.written}};
        EXPECT_EQ(card.written, expected);
    }
}
