#pragma once

#include "app/Command.h"

#include <cstdint>

// Runs a command and turns every exception that escapes it into a message on standard
// error and an exit code.
int32_t runTranslatingFailures(Command& command);
