#include "device/transport/QuenlixKeyError.h"

#include "app/KeyManagementError.h"
#include "device/transport/DeviceException.h"
#include "support/ExpectThrown.h"

#include <gtest/gtest.h>

TEST(QuenlixKeyError, EveryCodeHasItsNameAndMessage) {
    struct Row {
        int32_t code;
        const char* name;
        const char* message;
    };
    const Row rows[] = {
        {0, "QUENLIX_KEY_ERROR_NOERROR", "No error occured"},
        {-1, "QUENLIX_KEY_ERROR_INVALID_ARGUMENT",
         "An invalid argument was passed to the function"},
        {-2, "QUENLIX_KEY_ERROR_INVALID_AUTH_CREDENTIAL",
         "The new credential does not satisfy all constraints"},
        {-3, "QUENLIX_KEY_ERROR_BUFFER_TOO_SMALL",
         "The output buffer passed to the function is too small"},
        {-4, "QUENLIX_KEY_ERROR_INPUT_TOO_LARGE", "This input passed to the function is too large"},
        {-5, "QUENLIX_KEY_ERROR_IO", "The communication with the device failed"},
        {-6, "QUENLIX_KEY_ERROR_AUTH",
         "Authentication failed because the provided credential is invalid"},
        {-7, "QUENLIX_KEY_ERROR_BLOCKED", "The operation is blocked"},
        {-8, "QUENLIX_KEY_ERROR_NOT_FOUND", "The requested entity was not found"},
        {-9, "QUENLIX_KEY_ERROR_ILLEGAL_STATE",
         "The device is not in the required state for the requested operation"},
        {-10, "QUENLIX_KEY_ERROR_TIMEOUT", "The requested operation did not finish in time"},
        {-11, "QUENLIX_KEY_ERROR_INVALID_RESPONSE", "The device responded in an unexpected way"},
        {-12, "QUENLIX_KEY_ERROR_INVALID_DATA",
         "Data that was written previously is not valid for the requested operation"},
        {-13, "QUENLIX_KEY_ERROR_INTERNAL", "An unexpected error occured"},
        {-14, "QUENLIX_KEY_ERROR_ALREADY_IN_EXCLUSIVE_USE",
         "The device is already in exclusive use by another application"},
        {-15, "QUENLIX_KEY_ERROR_UNEXPECTED_SMARTCARD_STATE",
         "The device smartcard is in an unexpected state."},
        {-16, "QUENLIX_KEY_ERROR_UNDEFINED_AUTH_CREDENTIAL",
         "Authentication failed because no credential is configured"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(errorName(row.code), row.name) << row.code;
        EXPECT_EQ(errorMessage(row.code), row.message) << row.code;
    }
}

TEST(QuenlixKeyError, CodesOutsideTheTableAreUnknown) {
    for (int32_t code : {-17, 1, 2, INT32_MIN, INT32_MAX, -100}) {
        EXPECT_EQ(errorName(code), "Unknown") << code;
        EXPECT_EQ(errorMessage(code), "Unknown error code") << code;
    }
}

TEST(DeviceException, KeepsCodeDetailAndTextWhenCopied) {
    DeviceException original(QUENLIX_KEY_ERROR_NOT_FOUND, 0x6A82);
    DeviceException copy = original;
    EXPECT_EQ(copy.code, -8);
    EXPECT_EQ(copy.detail, 0x6A82);
    EXPECT_STREQ(copy.what(), "The requested entity was not found");
}

TEST(ThrowOnError, SuccessDoesNothing) {
    EXPECT_NO_THROW(throwOnError(0));
}

TEST(ThrowOnError, FailureCarriesCodeNameMessageAndRetries) {
    expectThrown<KeyManagementError>(
        [] { throwOnError(-6, 2); },
        [](const KeyManagementError& error) {
            EXPECT_STREQ(error.what(),
                         "Authentication failed because the provided credential is invalid");
            EXPECT_EQ(error.get_name(), "QUENLIX_KEY_ERROR_AUTH");
            EXPECT_EQ(error.get_exit_code(), -6);
            EXPECT_EQ(error.code, -6);
            EXPECT_EQ(error.retries, 2);
        });
    expectThrown<KeyManagementError>([] { throwOnError(-14); },
                                     [](const KeyManagementError& error) {
                                         EXPECT_EQ(error.retries, -1);
                                         EXPECT_EQ(error.get_exit_code(), -14);
                                     });
}
