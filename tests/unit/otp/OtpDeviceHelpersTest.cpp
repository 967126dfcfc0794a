#include "device/otp/RemainingTries.h"
#include "device/otp/VersionText.h"
#include "encoding/BigEndian.h"
#include "support/ExpectThrown.h"

#include <gtest/gtest.h>

TEST(RemainingTries, TakenFromTheStatusWordOrZeroWhenBlocked) {
    int32_t tries = -1;
    recordRemainingTries(DeviceException(QUENLIX_KEY_ERROR_AUTH, 0x63C2), &tries);
    EXPECT_EQ(tries, 2);
    recordRemainingTries(DeviceException(QUENLIX_KEY_ERROR_BLOCKED, 0x63C0), &tries);
    EXPECT_EQ(tries, 0);
    tries = -1;
    recordRemainingTries(DeviceException(QUENLIX_KEY_ERROR_BLOCKED, 0x6983), &tries);
    EXPECT_EQ(tries, 0);
}

TEST(RemainingTries, OtherFailuresLeaveTheValueAlone) {
    int32_t tries = -1;
    recordRemainingTries(DeviceException(QUENLIX_KEY_ERROR_AUTH, 0x6A80), &tries);
    recordRemainingTries(DeviceException(QUENLIX_KEY_ERROR_IO, 0x6700), &tries);
    recordRemainingTries(DeviceException(QUENLIX_KEY_ERROR_IO, static_cast<int32_t>(0x801063C2)),
                         &tries);
    EXPECT_EQ(tries, -1);
    recordRemainingTries(DeviceException(QUENLIX_KEY_ERROR_AUTH, 0x63C2), nullptr);
}

TEST(VersionText, DecimalPartsAfterAV) {
    EXPECT_EQ(versionText({1, 4, 0}), "v1.4.0");
    EXPECT_EQ(versionText({2}), "v2");
    EXPECT_EQ(versionText({1, 12, 255}), "v1.12.255");
    expectThrown<DeviceException>([] { versionText({}); },
                                  [](const DeviceException& failure) {
                                      EXPECT_EQ(failure.code, QUENLIX_KEY_ERROR_INVALID_RESPONSE);
                                  });
}

TEST(BigEndianBytes, MostSignificantFirstInTheGivenWidth) {
    EXPECT_EQ(toBigEndianBytes(10, 8), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 10}));
    EXPECT_EQ(toBigEndianBytes(60, 4), (std::vector<uint8_t>{0, 0, 0, 0x3C}));
    EXPECT_EQ(toBigEndianBytes(UINT64_MAX, 8), std::vector<uint8_t>(8, 0xFF));
}
