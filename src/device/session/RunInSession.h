#pragma once

#include "device/transport/DeviceException.h"
#include "device/transport/QuenlixKeyError.h"

#include <cstdint>
#include <stdexcept>

// The common body of the device entry points: opens a SessionType on the reader, hands it
// to the operation and closes it again on every path. A DeviceException becomes its code,
// any other runtime error INVALID_ARGUMENT. Entry points check their own output pointers
// before calling this.
template <typename SessionType, typename Operation>
int32_t runInSession(const char* readerName, Operation&& operation) {
    if (readerName == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    try {
        SessionType session(readerName);
        operation(session);
        return QUENLIX_KEY_ERROR_NOERROR;
    } catch (const DeviceException& error) {
        return error.code;
    } catch (const std::runtime_error&) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
}
