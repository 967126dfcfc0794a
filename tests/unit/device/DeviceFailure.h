#pragma once

#include "device/transport/DeviceException.h"

#include <gtest/gtest.h>

// The DeviceException that the call raises; a test failure when it raises none.
template <typename Call> DeviceException deviceFailure(Call&& call) {
    try {
        call();
    } catch (const DeviceException& error) {
        return error;
    }
    ADD_FAILURE() << "no DeviceException";
    return DeviceException(0, 0);
}
