#include "commands/FidoCommand.h"

#include "app/Application.h"
#include "support/CommandLineRun.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

RunResult runFido(std::vector<std::string> arguments) {
    return runCommand<FidoCommand>("fido", std::move(arguments));
}

} // namespace

TEST(FidoCommand, NeedsExactlyOneAction) {
    const std::string expected =
        "Exactly 1 option from [--info,--set-pin,--change-pin,--reset,--list-credentials,"
        "--delete-credential,--pin-retries] is required\n" +
        hint;
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {}, {"--info", "--reset"}, {"-p", "1234"}, {"--set-pin", "1234", "--reset"}}) {
        RunResult result = runFido(arguments);
        EXPECT_EQ(result.exitCode, -1);
        EXPECT_EQ(result.err, expected);
        EXPECT_EQ(result.out, "");
    }
}

TEST(FidoCommand, ChangePinNeedsTheCurrentPin) {
    RunResult result = runFido({"--change-pin", "123456"});
    EXPECT_EQ(result.exitCode, 107);
    EXPECT_EQ(result.err, "--change-pin requires --pin\n" + hint);
}

TEST(FidoCommand, UnknownPathIsReportedWithThePath) {
    RunResult result = runFido({"--info", "-f", "/nonexistent/quenlix-hid"});
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_EQ(result.err, "Could not find any FIDO device with the path /nonexistent/quenlix-hid. "
                          "Plug in your key or try again with administrator rights\n" +
                              hint);
    EXPECT_EQ(result.out, "");
}

TEST(FidoCommand, EmptyPathStillCountsAsGiven) {
    RunResult result = runFido({"--reset", "--fido-path", ""});
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_EQ(result.err, "Could not find any FIDO device with the path . Plug in your key or "
                          "try again with administrator rights\n" +
                              hint);
    EXPECT_EQ(result.out, "");
}
