#pragma once

#include <cstdint>

// Results of the PC/SC channel functions.
enum ChannelResult : int32_t {
    CI_OK = 0,
    CI_NO_MEMORY = 2,
    CI_CONNECT_FAILED = 3,
    CI_INVALID_ARGUMENT = 7,
    CI_SHARING_VIOLATION = 8,
    CI_PCSC_FAILED = 9,
};
