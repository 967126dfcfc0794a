#pragma once

#include <cstdint>
#include <string>

// Error codes of the device library; 0 is success, failures are negative.
enum QuenlixKeyError : int32_t {
    QUENLIX_KEY_ERROR_NOERROR = 0,
    QUENLIX_KEY_ERROR_INVALID_ARGUMENT = -1,
    QUENLIX_KEY_ERROR_INVALID_AUTH_CREDENTIAL = -2,
    QUENLIX_KEY_ERROR_BUFFER_TOO_SMALL = -3,
    QUENLIX_KEY_ERROR_INPUT_TOO_LARGE = -4,
    QUENLIX_KEY_ERROR_IO = -5,
    QUENLIX_KEY_ERROR_AUTH = -6,
    QUENLIX_KEY_ERROR_BLOCKED = -7,
    QUENLIX_KEY_ERROR_NOT_FOUND = -8,
    QUENLIX_KEY_ERROR_ILLEGAL_STATE = -9,
    QUENLIX_KEY_ERROR_TIMEOUT = -10,
    QUENLIX_KEY_ERROR_INVALID_RESPONSE = -11,
    QUENLIX_KEY_ERROR_INVALID_DATA = -12,
    QUENLIX_KEY_ERROR_INTERNAL = -13,
    QUENLIX_KEY_ERROR_ALREADY_IN_EXCLUSIVE_USE = -14,
    QUENLIX_KEY_ERROR_UNEXPECTED_SMARTCARD_STATE = -15,
    QUENLIX_KEY_ERROR_UNDEFINED_AUTH_CREDENTIAL = -16,
};

// Name of a code, "Unknown" for values outside the table.
std::string errorName(int32_t code);

// Message of a code, "Unknown error code" for values outside the table.
std::string errorMessage(int32_t code);
