#pragma once

#include "device/transport/DeviceException.h"

#include <cstdint>

// After a failed PIN verification: stores the tries the card has left for that PIN when the
// caller asked for them (remainingTries not null). A blocked PIN leaves 0 tries; a 63Cx status
// word leaves x. Any other failure leaves the caller's value untouched.
void recordRemainingTries(const DeviceException& failure, int32_t* remainingTries);
