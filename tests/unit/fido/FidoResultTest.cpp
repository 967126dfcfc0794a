#include "fido/FidoResult.h"

#include "fido/FidoDevice.h"
#include "support/ExpectThrown.h"

#include <fido.h>
#include <gtest/gtest.h>

TEST(FidoResult, SuccessRaisesNothing) {
    EXPECT_NO_THROW(throwOnFidoError(FIDO_OK));
}

TEST(FidoResult, FailureCarriesLibfido2NameAndCode) {
    expectThrown<FidoError>([] { throwOnFidoError(FIDO_ERR_PIN_INVALID); },
                            [](const FidoError& error) {
                                EXPECT_STREQ(error.what(), "FIDO_ERR_PIN_INVALID");
                                EXPECT_EQ(error.get_name(), "FIDO_ERR_PIN_INVALID");
                                EXPECT_EQ(error.code, 0x31);
                                EXPECT_EQ(error.get_exit_code(), 0x31);
                            });
    expectThrown<FidoError>([] { throwOnFidoError(FIDO_ERR_TX); },
                            [](const FidoError& error) {
                                EXPECT_STREQ(error.what(), "FIDO_ERR_TX");
                                EXPECT_EQ(error.code, -1);
                            });
}

TEST(FidoResult, MissingObjectIsOutOfMemory) {
    int object = 0;
    EXPECT_EQ(requireAllocated(&object), &object);
    expectThrown<FidoError>([] { requireAllocated(static_cast<fido_dev_t*>(nullptr)); },
                            [](const FidoError& error) {
                                EXPECT_STREQ(error.what(), "OUT_OF_MEMORY");
                                EXPECT_EQ(error.code, 0);
                            });
}

TEST(FidoDevice, PathThatCannotBeOpenedRaisesFidoError) {
    expectThrown<FidoError>([] { fidoHasPin("/nonexistent/quenlix-hid"); },
                            [](const FidoError& error) {
                                EXPECT_NE(error.code, FIDO_OK);
                                EXPECT_STREQ(error.what(), fido_strerr(error.code));
                            });
}
