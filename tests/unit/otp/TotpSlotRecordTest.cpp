#include "device/otp/TotpSlotRecord.h"

#include "device/transport/DeviceException.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes element(uint8_t tag, const Bytes& value) {
    return concat({{tag, static_cast<uint8_t>(value.size())}, value});
}

Bytes text(const std::string& value) {
    return Bytes(value.begin(), value.end());
}

const Bytes key10{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

TotpSlotSettings defaultSettings() {
    TotpSlotSettings settings;
    settings.key.assign(key10.begin(), key10.end());
    settings.account = "alice";
    return settings;
}

Bytes encoded(const TotpSlotSettings& settings) {
    const SecretBytes record = encodeTotpSlotRecord(settings);
    return Bytes(record.begin(), record.end());
}

int32_t failureCode(const Bytes& answer) {
    try {
        parseTotpSlotRecord(answer);
    } catch (const DeviceException& failure) {
        return failure.code;
    }
    return 0;
}

} // namespace

TEST(TotpSlotRecordEncoding, DefaultValuesAreLeftOut) {
    const Bytes content = concat({element(0x80, {0x00}), element(0x81, {0x00}),
                                  element(0x85, key10), element(0x86, text("alice"))});
    EXPECT_EQ(encoded(defaultSettings()), element(0x30, content));
}

TEST(TotpSlotRecordEncoding, EveryNonDefaultValueInTagOrder) {
    TotpSlotSettings settings = defaultSettings();
    settings.pinProtected = true;
    settings.hashAlgorithm = 2;
    settings.digits = 8;
    settings.timeOrigin = 0x0102030405060708;
    settings.period = 60;
    settings.issuer = "Example";
    const Bytes content = concat({element(0x80, {0x01}), element(0x81, {0x02}),
                                  element(0x82, {0x08}), element(0x83, {1, 2, 3, 4, 5, 6, 7, 8}),
                                  element(0x84, {0x00, 0x00, 0x00, 0x3C}), element(0x85, key10),
                                  element(0x86, text("alice")), element(0x87, text("Example"))});
    EXPECT_EQ(encoded(settings), element(0x30, content));
}

TEST(TotpSlotRecordEncoding, LongRecordUsesTwoByteLength) {
    TotpSlotSettings settings = defaultSettings();
    settings.key = SecretBytes(64, 0xAA);
    settings.account = std::string(60, 'a');
    settings.issuer = std::string(60, 'i');
    const Bytes record = encoded(settings);
    ASSERT_GE(record.size(), 3u);
    EXPECT_EQ(record[0], 0x30);
    EXPECT_EQ(record[1], 0x81);
    EXPECT_EQ(record[2], record.size() - 3);
}

TEST(TotpSlotRecordParsing, IssuerIsOptional) {
    const TotpSlotInfo info = parseTotpSlotRecord(
        element(0x30, concat({element(0x80, {0x00}), element(0x86, text("alice"))})));
    EXPECT_FALSE(info.pinProtected);
    EXPECT_EQ(info.account, "alice");
    EXPECT_EQ(info.issuer, "");
}

TEST(TotpSlotRecordParsing, ReadsFlagAccountAndIssuerAmongOtherTags) {
    const TotpSlotInfo info = parseTotpSlotRecord(
        element(0x30, concat({element(0x80, {0x01}), element(0x81, {0x01}), element(0x82, {0x08}),
                              element(0x86, text("bob")), element(0x87, text("Issuer"))})));
    EXPECT_TRUE(info.pinProtected);
    EXPECT_EQ(info.account, "bob");
    EXPECT_EQ(info.issuer, "Issuer");
}

TEST(TotpSlotRecordParsing, MalformedRecordsAreInvalidResponses) {
    const Bytes flag = element(0x80, {0x00});
    const Bytes account = element(0x86, text("alice"));
    // No record at all, no PIN-protected flag, no account.
    EXPECT_EQ(failureCode({}), QUENLIX_KEY_ERROR_INVALID_RESPONSE);
    EXPECT_EQ(failureCode(concat({flag, account})), QUENLIX_KEY_ERROR_INVALID_RESPONSE);
    EXPECT_EQ(failureCode(element(0x30, account)), QUENLIX_KEY_ERROR_INVALID_RESPONSE);
    EXPECT_EQ(failureCode(element(0x30, concat({element(0x80, {}), account}))),
              QUENLIX_KEY_ERROR_INVALID_RESPONSE);
    EXPECT_EQ(failureCode(element(0x30, flag)), QUENLIX_KEY_ERROR_INVALID_RESPONSE);
    // Something after the account that is not a non-empty issuer.
    EXPECT_EQ(failureCode(element(0x30, concat({flag, account, element(0x88, {0x01})}))),
              QUENLIX_KEY_ERROR_INVALID_RESPONSE);
    EXPECT_EQ(failureCode(element(0x30, concat({flag, account, element(0x87, {})}))),
              QUENLIX_KEY_ERROR_INVALID_RESPONSE);
}
