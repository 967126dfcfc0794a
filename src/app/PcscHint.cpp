#include "app/PcscHint.h"

#include "device/transport/PcscFailure.h"
#include "device/transport/QuenlixKeyError.h"

namespace {

const char* const startService = "The PC/SC service is not running: start pcscd, for example "
                                 "with \"systemctl start pcscd.socket\"";
const char* const plugKeyIn = "There is no smartcard reader: plug your Quenlix Key in";
const char* const closeHolder = "Another program holds the key, for example a browser, gpg's "
                                "scdaemon or another smart-card tool: close it and try again";

bool serviceMissing() {
    return pcscResultMet(static_cast<LONG>(SCARD_E_NO_SERVICE)) ||
           pcscResultMet(static_cast<LONG>(SCARD_E_SERVICE_STOPPED));
}

} // namespace

std::string pcscHintForError(int32_t code) {
    if (serviceMissing()) {
        return startService;
    }
    return code == QUENLIX_KEY_ERROR_ALREADY_IN_EXCLUSIVE_USE ? closeHolder : "";
}

std::string pcscHintForMissingKey() {
    if (serviceMissing()) {
        return startService;
    }
    if (pcscResultMet(static_cast<LONG>(SCARD_E_NO_READERS_AVAILABLE))) {
        return plugKeyIn;
    }
    // A key that another program holds exclusively answers no ATR probe.
    return pcscResultMet(static_cast<LONG>(SCARD_E_SHARING_VIOLATION)) ? closeHolder : "";
}
