#include "app/FidoFailure.h"

#include "app/Application.h"
#include "commands/FidoCommand.h"

#include <fido.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const std::string hint = "Run with --help for more information.\n";

struct Report {
    int32_t exitCode;
    std::string err;
};

Report reportWith(int32_t code, const PinRetriesQuery& query) {
    testing::internal::CaptureStderr();
    int32_t exitCode = reportFidoError(FidoError(fido_strerr(code), code), query);
    return {exitCode, testing::internal::GetCapturedStderr()};
}

PinRetriesQuery retries(std::optional<int32_t> count) {
    return [count] { return count; };
}

PinRetriesQuery mustNotBeAsked() {
    return []() -> std::optional<int32_t> {
        ADD_FAILURE() << "retries asked";
        return 3;
    };
}

} // namespace

TEST(FidoFailure, PinPolicyViolation) {
    Report report = reportWith(FIDO_ERR_PIN_POLICY_VIOLATION, mustNotBeAsked());
    EXPECT_EQ(report.exitCode, 55);
    EXPECT_EQ(report.err, "The provided PIN violates the PIN policy\n" + hint);
}

TEST(FidoFailure, WrongPinShowsRemainingRetries) {
    for (int32_t code : {FIDO_ERR_PIN_INVALID, FIDO_ERR_PIN_AUTH_BLOCKED}) {
        Report report = reportWith(code, retries(5));
        EXPECT_EQ(report.exitCode, code);
        EXPECT_EQ(report.err,
                  "Authentication failed because the provided PIN is invalid, remaining "
                  "retries: 5\n" +
                      hint);
    }
}

TEST(FidoFailure, NoRetriesLeftMeansBlocked) {
    for (int32_t code : {FIDO_ERR_PIN_INVALID, FIDO_ERR_PIN_AUTH_BLOCKED}) {
        for (int32_t left : {0, -1}) {
            Report report = reportWith(code, retries(left));
            EXPECT_EQ(report.exitCode, code);
            EXPECT_EQ(report.err, "The operation is blocked. You have to reset your key\n" + hint);
        }
    }
}

TEST(FidoFailure, UnreadableRetriesFallBackToThePinError) {
    Report report = reportWith(FIDO_ERR_PIN_INVALID, retries(std::nullopt));
    EXPECT_EQ(report.exitCode, 49);
    EXPECT_EQ(report.err, "FIDO_ERR_PIN_INVALID\n" + hint);
}

TEST(FidoFailure, OtherCodesShowLibfido2Name) {
    Report report = reportWith(FIDO_ERR_NOT_ALLOWED, mustNotBeAsked());
    EXPECT_EQ(report.exitCode, 48);
    EXPECT_EQ(report.err, "FIDO_ERR_NOT_ALLOWED\n" + hint);

    report = reportWith(FIDO_ERR_PIN_BLOCKED, mustNotBeAsked());
    EXPECT_EQ(report.exitCode, 50);
    EXPECT_EQ(report.err, "FIDO_ERR_PIN_BLOCKED\n" + hint);

    report = reportWith(FIDO_ERR_INVALID_ARGUMENT, mustNotBeAsked());
    EXPECT_EQ(report.exitCode, -7);
    EXPECT_EQ(report.err, "FIDO_ERR_INVALID_ARGUMENT\n" + hint);
}

TEST(FidoFailure, CodeZeroDoesNotLookLikeSuccess) {
    testing::internal::CaptureStderr();
    int32_t exitCode = reportFidoError(FidoError("OUT_OF_MEMORY", 0), mustNotBeAsked());
    EXPECT_EQ(exitCode, -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "OUT_OF_MEMORY\n" + hint);
}

TEST(FidoFailure, RetriesAreReadFromTheCommandsDevice) {
    // The device is gone, so the query fails and the PIN error stands for itself.
    Application application;
    auto& command = application.add<FidoCommand>();
    command.fidoPath = "/nonexistent/quenlix-hid";
    testing::internal::CaptureStderr();
    int32_t exitCode = reportFidoError(FidoError("FIDO_ERR_PIN_AUTH_BLOCKED", 0x34), command);
    EXPECT_EQ(exitCode, 0x34);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "FIDO_ERR_PIN_AUTH_BLOCKED\n" + hint);
}

namespace {

class FailingCommand : public Command {
public:
    explicit FailingCommand(CLI::App& root) : Command(root, "failing", "For tests") {}
    int32_t execute() override { throw FidoError(fido_strerr(code), code); }

    static inline int32_t code = 0;
};

} // namespace

TEST(FidoFailure, RunStepTranslatesFidoErrorsOfAnyCommand) {
    const char* argv[] = {"quenlix-key", "failing"};
    struct Case {
        int32_t code;
        std::string message;
        int32_t exitCode;
    };
    for (const Case& c : std::vector<Case>{
             {FIDO_ERR_PIN_POLICY_VIOLATION, "The provided PIN violates the PIN policy", 55},
             {FIDO_ERR_PIN_INVALID, "FIDO_ERR_PIN_INVALID", 49},
             {FIDO_ERR_RX, "FIDO_ERR_RX", -2}}) {
        Application application;
        application.add<FailingCommand>();
        FailingCommand::code = c.code;
        testing::internal::CaptureStderr();
        EXPECT_EQ(application.run(2, argv), c.exitCode);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message + "\n" + hint);
    }
}
