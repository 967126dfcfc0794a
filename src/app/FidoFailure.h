#pragma once

#include "app/Command.h"
#include "fido/FidoError.h"

#include <cstdint>
#include <functional>
#include <optional>

// Asks the device for its remaining PIN retries; nothing when they cannot be read.
using PinRetriesQuery = std::function<std::optional<int32_t>()>;

// Writes the message for a FidoError that escaped a command and gives the exit code. The
// query is made only for a wrong or blocked PIN.
int32_t reportFidoError(const FidoError& error, const PinRetriesQuery& remainingPinRetries);

// The same, asking the device that the failed command worked on.
int32_t reportFidoError(const FidoError& error, const Command& command);
