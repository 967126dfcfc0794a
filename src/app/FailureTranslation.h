#pragma once

#include "app/Command.h"

#include <cstdint>

// Runs a command and turns every runtime error that escapes it into a message on standard
// error and an exit code.
int32_t runTranslatingFailures(Command& command);
