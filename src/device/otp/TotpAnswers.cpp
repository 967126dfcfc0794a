#include "device/otp/TotpAnswers.h"

#include "device/transport/DeviceException.h"
#include "encoding/BigEndian.h"

namespace {

constexpr size_t timeOriginSize = 8;
constexpr size_t periodSize = 4;
constexpr size_t minimumCodeAnswerSize = timeOriginSize + periodSize + totpMinimumDigits;
constexpr size_t maximumCodeAnswerSize = timeOriginSize + periodSize + totpMaximumDigits;

[[noreturn]] void failInvalidResponse() {
    throw DeviceException(QUENLIX_KEY_ERROR_INVALID_RESPONSE, 0);
}

} // namespace

TotpAppletVersion parseTotpSelectAnswer(const std::vector<uint8_t>& answer) {
    if (answer.size() != 4) {
        failInvalidResponse();
    }
    return {answer[0], answer[1], answer[2], answer[3]};
}

TotpPinInfo parseTotpPinInfo(const std::vector<uint8_t>& answer) {
    if (answer.size() != 3) {
        failInvalidResponse();
    }
    return {answer[0], answer[1], answer[2] == 0x00};
}

TotpCode parseTotpCode(const std::vector<uint8_t>& answer) {
    if (answer.size() < minimumCodeAnswerSize || answer.size() > maximumCodeAnswerSize) {
        failInvalidResponse();
    }
    const auto periodStart = answer.begin() + timeOriginSize;
    const auto codeStart = periodStart + periodSize;
    TotpCode code;
    code.timeOrigin = bigEndianToUint64({answer.begin(), periodStart});
    code.period = static_cast<uint32_t>(bigEndianToUint64({periodStart, codeStart}));
    code.code.assign(codeStart, answer.end());
    // A zero period leaves the code's window undefined.
    if (code.period == 0) {
        failInvalidResponse();
    }
    return code;
}
