#include "app/KeyManagementError.h"

#include "device/transport/QuenlixKeyError.h"

void throwOnError(int32_t code) {
    throwOnError(code, -1);
}

KeyManagementError keyManagementError(int32_t code, int32_t retries) {
    return KeyManagementError(errorMessage(code), code, errorName(code), retries);
}

void throwOnError(int32_t code, int32_t retries) {
    if (code != QUENLIX_KEY_ERROR_NOERROR) {
        throw keyManagementError(code, retries);
    }
}
