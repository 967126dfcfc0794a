#include "device/otp/Totp.h"

uint32_t totpCodeValidity(uint64_t currentTime, const TotpCode& code) {
    const uint64_t period = code.period;
    // Windows start at the time origin and repeat every period, also before the origin;
    // the window holding currentTime ends between 1 and period seconds later.
    if (currentTime >= code.timeOrigin) {
        return static_cast<uint32_t>(period - (currentTime - code.timeOrigin) % period);
    }
    const uint64_t untilOrigin = (code.timeOrigin - currentTime) % period;
    return static_cast<uint32_t>(untilOrigin == 0 ? period : untilOrigin);
}
