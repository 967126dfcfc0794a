#include "device/otp/TotpSlotRecord.h"

#include "device/transport/DeviceException.h"
#include "encoding/BerTlvBuilder.h"
#include "encoding/BerTlvLength.h"
#include "encoding/BerTlvParser.h"
#include "encoding/BigEndian.h"

namespace {

constexpr uint8_t tagRecord = 0x30;
constexpr uint8_t tagPinProtected = 0x80;
constexpr uint8_t tagHashAlgorithm = 0x81;
constexpr uint8_t tagDigits = 0x82;
constexpr uint8_t tagTimeOrigin = 0x83;
constexpr uint8_t tagPeriod = 0x84;
constexpr uint8_t tagKey = 0x85;
constexpr uint8_t tagAccount = 0x86;
constexpr uint8_t tagIssuer = 0x87;

constexpr uint8_t defaultDigits = 6;
constexpr uint64_t defaultTimeOrigin = 0;
constexpr uint32_t defaultPeriod = 30;

std::vector<uint8_t> bytesOf(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::string textOf(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The value of a tag that must be present with content.
std::vector<uint8_t> requireValue(BerTlvParser& parser, uint8_t tag) {
    std::vector<uint8_t> value = parser.find(tag);
    if (value.empty()) {
        throw DeviceException(QUENLIX_KEY_ERROR_INVALID_RESPONSE, 0);
    }
    return value;
}

} // namespace

// The elements before and after the key are plain; the record is put together in wiped memory.
SecretBytes encodeTotpSlotRecord(const TotpSlotSettings& settings) {
    BerTlvBuilder before;
    before.addPrimitive(tagPinProtected, {static_cast<uint8_t>(settings.pinProtected ? 1 : 0)});
    before.addPrimitive(tagHashAlgorithm, {settings.hashAlgorithm});
    if (settings.digits != defaultDigits) {
        before.addPrimitive(tagDigits, {settings.digits});
    }
    if (settings.timeOrigin != defaultTimeOrigin) {
        before.addPrimitive(tagTimeOrigin, toBigEndianBytes(settings.timeOrigin, 8));
    }
    if (settings.period != defaultPeriod) {
        before.addPrimitive(tagPeriod, toBigEndianBytes(settings.period, 4));
    }
    BerTlvBuilder after;
    after.addPrimitive(tagAccount, bytesOf(settings.account));
    if (!settings.issuer.empty()) {
        after.addPrimitive(tagIssuer, bytesOf(settings.issuer));
    }
    const std::vector<uint8_t> head = before.build();
    const std::vector<uint8_t> tail = after.build();
    SecretBytes content(head.begin(), head.end());
    appendSecretBerTlv(content, tagKey, settings.key);
    content.insert(content.end(), tail.begin(), tail.end());
    SecretBytes record;
    appendSecretBerTlv(record, tagRecord, content);
    return record;
}

TotpSlotInfo parseTotpSlotRecord(const std::vector<uint8_t>& answer) {
    BerTlvParser record(BerTlvParser(answer).find(tagRecord));
    TotpSlotInfo info;
    info.pinProtected = requireValue(record, tagPinProtected).front() != 0;
    info.account = textOf(requireValue(record, tagAccount));
    if (!record.atEnd()) {
        info.issuer = textOf(requireValue(record, tagIssuer));
    }
    return info;
}
