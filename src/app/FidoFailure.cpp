#include "app/FidoFailure.h"

#include "app/Output.h"

#include <fido.h>
#include <string>

namespace {

// A failure must never end with the exit code of success.
int32_t exitCodeOf(const FidoError& error) {
    return error.code == 0 ? -1 : error.code;
}

int32_t reportPinFailure(const FidoError& error, const PinRetriesQuery& remainingPinRetries) {
    std::optional<int32_t> retries = remainingPinRetries();
    if (!retries) {
        reportFailure(error.what());
    } else if (*retries > 0) {
        reportFailure("Authentication failed because the provided PIN is invalid, remaining "
                      "retries: " +
                      std::to_string(*retries));
    } else {
        reportFailure("The operation is blocked. You have to reset your key");
    }
    return exitCodeOf(error);
}

} // namespace

int32_t reportFidoError(const FidoError& error, const PinRetriesQuery& remainingPinRetries) {
    switch (error.code) {
    case FIDO_ERR_PIN_POLICY_VIOLATION:
        reportFailure("The provided PIN violates the PIN policy");
        return exitCodeOf(error);
    case FIDO_ERR_PIN_INVALID:
    case FIDO_ERR_PIN_AUTH_BLOCKED:
        return reportPinFailure(error, remainingPinRetries);
    default:
        reportFailure(error.what());
        return exitCodeOf(error);
    }
}

int32_t reportFidoError(const FidoError& error, const Command& command) {
    return reportFidoError(error, [&command] { return command.remainingFidoPinRetries(); });
}
