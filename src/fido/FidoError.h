#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>

// A failure of the FIDO device layer; code is a libfido2 result code.
class FidoError : public CLI::RuntimeError {
public:
    FidoError(const std::string& message, int32_t errorCode)
        : CLI::RuntimeError(message, message, errorCode), code(errorCode) {}

    int32_t code;
};
