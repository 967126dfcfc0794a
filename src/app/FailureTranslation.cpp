#include "app/FailureTranslation.h"

#include "app/FidoFailure.h"
#include "app/KeyManagementError.h"
#include "app/Output.h"
#include "app/PcscHint.h"
#include "crypto/OpenSSLException.h"
#include "device/transport/QuenlixKeyError.h"

#include <exception>
#include <string>

namespace {

int32_t reportKeyManagementError(const KeyManagementError& error) {
    std::string message = error.what();
    if (error.code == QUENLIX_KEY_ERROR_AUTH && error.retries > 0) {
        message += ", remaining retries: " + std::to_string(error.retries);
    }
    reportFailure(message, pcscHintForError(error.code));
    return error.code;
}

// The library's queue entries follow the first ":"; the user sees only the short message.
int32_t reportOpenSSLException(const OpenSSLException& error) {
    const std::string message = error.what();
    reportFailure(message.substr(0, message.find(':')));
    return -1;
}

} // namespace

int32_t runTranslatingFailures(Command& command) {
    try {
        return command.execute();
    } catch (const KeyManagementError& error) {
        return reportKeyManagementError(error);
    } catch (const FidoError& error) {
        return reportFidoError(error, command);
    } catch (const OpenSSLException& error) {
        return reportOpenSSLException(error);
    } catch (const std::exception& error) {
        // Any other runtime error, and a logic error or a failed allocation too: reported like
        // any other failure, never an abort.
        return reportFailure(error.what());
    }
}
