#pragma once

#include "device/transport/QuenlixKeyError.h"

#include <cstdint>
#include <stdexcept>

// Failure inside the device layer: a QuenlixKeyError code and its raw cause
// (a status word, a channel result, or 0).
class DeviceException : public std::runtime_error {
public:
    DeviceException(int32_t errorCode, int32_t errorDetail)
        : std::runtime_error(errorMessage(errorCode)), code(errorCode), detail(errorDetail) {}

    int32_t code;
    int32_t detail;
};
