#include "device/transport/QuenlixKeyError.h"

#include <array>

namespace {

struct ErrorText {
    const char* name;
    const char* message;
};

// Indexed by the negated code.
constexpr std::array<ErrorText, 17> errorTexts{{
    {"QUENLIX_KEY_ERROR_NOERROR", "No error occured"},
    {"QUENLIX_KEY_ERROR_INVALID_ARGUMENT", "An invalid argument was passed to the function"},
    {"QUENLIX_KEY_ERROR_INVALID_AUTH_CREDENTIAL",
     "The new credential does not satisfy all constraints"},
    {"QUENLIX_KEY_ERROR_BUFFER_TOO_SMALL", "The output buffer passed to the function is too small"},
    {"QUENLIX_KEY_ERROR_INPUT_TOO_LARGE", "This input passed to the function is too large"},
    {"QUENLIX_KEY_ERROR_IO", "The communication with the device failed"},
    {"QUENLIX_KEY_ERROR_AUTH", "Authentication failed because the provided credential is invalid"},
    {"QUENLIX_KEY_ERROR_BLOCKED", "The operation is blocked"},
    {"QUENLIX_KEY_ERROR_NOT_FOUND", "The requested entity was not found"},
    {"QUENLIX_KEY_ERROR_ILLEGAL_STATE",
     "The device is not in the required state for the requested operation"},
    {"QUENLIX_KEY_ERROR_TIMEOUT", "The requested operation did not finish in time"},
    {"QUENLIX_KEY_ERROR_INVALID_RESPONSE", "The device responded in an unexpected way"},
    {"QUENLIX_KEY_ERROR_INVALID_DATA",
     "Data that was written previously is not valid for the requested operation"},
    {"QUENLIX_KEY_ERROR_INTERNAL", "An unexpected error occured"},
    {"QUENLIX_KEY_ERROR_ALREADY_IN_EXCLUSIVE_USE",
     "The device is already in exclusive use by another application"},
    {"QUENLIX_KEY_ERROR_UNEXPECTED_SMARTCARD_STATE",
     "The device smartcard is in an unexpected state."},
    {"QUENLIX_KEY_ERROR_UNDEFINED_AUTH_CREDENTIAL",
     "Authentication failed because no credential is configured"},
}};

const ErrorText* findErrorText(int32_t code) {
    if (code > 0 || code < -static_cast<int32_t>(errorTexts.size() - 1)) {
        return nullptr;
    }
    return &errorTexts[static_cast<size_t>(-code)];
}

} // namespace

std::string errorName(int32_t code) {
    const ErrorText* text = findErrorText(code);
    return text ? text->name : "Unknown";
}

std::string errorMessage(int32_t code) {
    const ErrorText* text = findErrorText(code);
    return text ? text->message : "Unknown error code";
}
