#pragma once

#include <cstdint>
#include <functional>

// Runs a command and turns every runtime error that escapes it into a message on standard
// error and an exit code.
int32_t runTranslatingFailures(const std::function<int32_t()>& execute);
