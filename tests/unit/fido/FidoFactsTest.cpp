#include "fido/FidoFacts.h"

#include <gtest/gtest.h>

TEST(FidoFacts, ProtocolVersionsHaveDisplayNames) {
    EXPECT_EQ(protocolName("FIDO_2_0"), "CTAP 2.0");
    EXPECT_EQ(protocolName("FIDO_2_1"), "CTAP 2.1");
    EXPECT_EQ(protocolName("FIDO_2_1_PRE"), "CTAP 2.1 (preview)");
    EXPECT_EQ(protocolName("U2F_V2"), "U2F");
}

TEST(FidoFacts, UnknownProtocolVersionShowsAsItself) {
    EXPECT_EQ(protocolName("FIDO_2_2"), "FIDO_2_2");
    EXPECT_EQ(protocolName("fido_2_0"), "fido_2_0");
    EXPECT_EQ(protocolName(""), "");
}

TEST(FidoFacts, DeviceVersionIsDecimalPerByte) {
    EXPECT_EQ(formatDeviceVersion(5, 2, 0), "5.2.0");
    EXPECT_EQ(formatDeviceVersion(255, 10, 65), "255.10.65");
}

TEST(FidoFacts, AaguidIsUpperCaseHexWithoutSeparators) {
    std::vector<uint8_t> aaguid;
    for (uint8_t byte = 0; byte < 16; ++byte) {
        aaguid.push_back(byte);
    }
    EXPECT_EQ(formatAaguid(aaguid), "000102030405060708090A0B0C0D0E0F");
    EXPECT_EQ(formatAaguid({0xAB, 0xCD, 0xEF, 0xFF}), "ABCDEFFF");
    EXPECT_EQ(formatAaguid({}), "");
}
