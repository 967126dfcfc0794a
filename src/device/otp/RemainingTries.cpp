#include "device/otp/RemainingTries.h"

#include "device/transport/QuenlixKeyError.h"

namespace {

bool isTriesLeftStatusWord(int32_t statusWord) {
    return statusWord >= 0x63C0 && statusWord <= 0x63CF;
}

} // namespace

void recordRemainingTries(const DeviceException& failure, int32_t* remainingTries) {
    if (remainingTries == nullptr) {
        return;
    }
    if (failure.code == QUENLIX_KEY_ERROR_BLOCKED) {
        *remainingTries = 0;
    } else if (isTriesLeftStatusWord(failure.detail)) {
        *remainingTries = failure.detail & 0x0F;
    }
}
