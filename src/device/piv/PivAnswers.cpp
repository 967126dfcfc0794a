#include "device/piv/PivAnswers.h"

#include "device/transport/DeviceException.h"
#include "encoding/BerTlvParser.h"

namespace {

constexpr uint32_t tagPropertyTemplate = 0x61;
constexpr uint32_t tagApplicationLabel = 0x50;
constexpr uint32_t tagIsDefault = 0x05;
constexpr uint32_t tagRetries = 0x06;
constexpr uint32_t tagAuthenticationTemplate = 0x7C;
constexpr uint32_t tagWitness = 0x81;

Bytes findInside(const Bytes& data, uint32_t outerTag, uint32_t innerTag) {
    return BerTlvParser(BerTlvParser(data).find(outerTag)).find(innerTag);
}

} // namespace

std::string parsePivApplicationLabel(const Bytes& selectAnswer) {
    const Bytes label = findInside(selectAnswer, tagPropertyTemplate, tagApplicationLabel);
    if (label.empty()) {
        throw DeviceException(QUENLIX_KEY_ERROR_INVALID_DATA, 0);
    }
    return std::string(label.begin(), label.end());
}

PivRetryInfo parsePivRetryInfo(const Bytes& metadata) {
    BerTlvParser parser(metadata);
    const Bytes isDefault = parser.find(tagIsDefault);
    const Bytes retries = parser.find(tagRetries);
    if (isDefault.size() != 1 || (!retries.empty() && retries.size() != 2)) {
        throw DeviceException(QUENLIX_KEY_ERROR_INVALID_DATA, 0);
    }
    PivRetryInfo info;
    info.isDefault = isDefault[0];
    // Without 06 the card reports no counts; they stay -1.
    if (!retries.empty()) {
        info.totalRetries = retries[0];
        info.remainingRetries = retries[1];
    }
    return info;
}

Bytes parsePivWitness(const Bytes& answer) {
    Bytes witness = findInside(answer, tagAuthenticationTemplate, tagWitness);
    if (witness.empty()) {
        throw DeviceException(QUENLIX_KEY_ERROR_INVALID_RESPONSE, 0);
    }
    return witness;
}
