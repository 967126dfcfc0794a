#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>

// A device failure as the command layer sees it. Its code doubles as the exit code.
class KeyManagementError : public CLI::RuntimeError {
public:
    KeyManagementError(std::string message, int32_t errorCode, std::string name,
                       int32_t remainingRetries)
        : CLI::RuntimeError(std::move(name), std::move(message), errorCode), code(errorCode),
          retries(remainingRetries) {}

    int32_t code;
    // Remaining tries of the credential that failed to verify, -1 when not reported.
    int32_t retries;
};

// The error of a non-zero QuenlixKeyError code, with the code's message and name.
KeyManagementError keyManagementError(int32_t code, int32_t retries = -1);

// Raise KeyManagementError for a non-zero QuenlixKeyError code.
void throwOnError(int32_t code);
void throwOnError(int32_t code, int32_t retries);
