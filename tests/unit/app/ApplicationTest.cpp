#include "app/Application.h"

#include "app/KeyManagementError.h"
#include "crypto/OpenSSLException.h"
#include "device/transport/DeviceException.h"
#include "support/CommandLineRun.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A command whose behaviour each test chooses.
class ScriptedCommand : public Command {
public:
    explicit ScriptedCommand(CLI::App& root) : Command(root, "scripted", "For tests") {
        addActionsThrough(actions, "--beta");
        addFlag("--gamma", "Not an action");
    }
    int32_t execute() override { return behaviour(); }

    static inline std::function<int32_t()> behaviour;

private:
    int32_t perform() { return behaviour(); }

    static const std::vector<Action<ScriptedCommand>> actions;
};

const std::vector<Action<ScriptedCommand>> ScriptedCommand::actions{
    {.names = "-a,--alpha", .help = "First action", .run = &ScriptedCommand::perform},
    {.names = "--beta", .help = "Second action", .run = &ScriptedCommand::perform},
};

class OtherCommand : public Command {
public:
    explicit OtherCommand(CLI::App& root) : Command(root, "other", "Another command") {}
    int32_t execute() override { return 7; }
};

RunResult runWith(std::vector<std::string> arguments) {
    Application application;
    application.add<ScriptedCommand>();
    application.add<OtherCommand>();
    return runCommandLine(application, std::move(arguments));
}

} // namespace

TEST(Application, VersionEndsParsingBeforeTheMissingSubcommand) {
    RunResult result = runWith({"--version"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "Version 1.4.0\n");
    EXPECT_EQ(result.err, "");
}

TEST(Application, MissingSubcommandIsAParseError) {
    RunResult result = runWith({});
    EXPECT_EQ(result.exitCode, 106);
    EXPECT_EQ(result.err, "A subcommand is required\n" + hint);
}

TEST(Application, TwoSubcommandsAreRejected) {
    ScriptedCommand::behaviour = [] { return 0; };
    RunResult result = runWith({"scripted", "other"});
    EXPECT_EQ(result.exitCode, 109);
    EXPECT_EQ(result.err, "The following argument was not expected: other\n" + hint);
}

TEST(Application, HelpListsTheVersionFlag) {
    RunResult result = runWith({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("--version"), std::string::npos);
    EXPECT_NE(result.out.find("Display program version information and exit"), std::string::npos);
}

TEST(Application, DispatchesToTheNamedCommandAndPassesItsResultThrough) {
    EXPECT_EQ(runWith({"other"}).exitCode, 7);
    ScriptedCommand::behaviour = [] { return -1; };
    EXPECT_EQ(runWith({"scripted"}).exitCode, -1);
}

TEST(Application, AuthFailureWithRetriesShowsThem) {
    ScriptedCommand::behaviour = []() -> int32_t {
        throwOnError(-6, 3);
        return 0;
    };
    RunResult result = runWith({"scripted"});
    EXPECT_EQ(result.exitCode, -6);
    EXPECT_EQ(result.err,
              "Authentication failed because the provided credential is invalid, remaining "
              "retries: 3\n" +
                  hint);
}

TEST(Application, AuthFailureWithoutRetriesHasNoSuffix) {
    for (int32_t retries : {0, -1}) {
        ScriptedCommand::behaviour = [retries]() -> int32_t {
            throwOnError(-6, retries);
            return 0;
        };
        RunResult result = runWith({"scripted"});
        EXPECT_EQ(result.exitCode, -6);
        EXPECT_EQ(result.err,
                  "Authentication failed because the provided credential is invalid\n" + hint);
    }
}

TEST(Application, RetriesAreOnlyShownForAuthFailures) {
    ScriptedCommand::behaviour = []() -> int32_t {
        throwOnError(-7, 3);
        return 0;
    };
    RunResult result = runWith({"scripted"});
    EXPECT_EQ(result.exitCode, -7);
    EXPECT_EQ(result.err, "The operation is blocked\n" + hint);
}

TEST(Application, KeyManagementErrorExitsWithItsCode) {
    ScriptedCommand::behaviour = []() -> int32_t {
        throwOnError(-10);
        return 0;
    };
    RunResult result = runWith({"scripted"});
    EXPECT_EQ(result.exitCode, -10);
    EXPECT_EQ(result.err, "The requested operation did not finish in time\n" + hint);
}

TEST(Application, OtherRuntimeErrorsExitWithMinusOne) {
    ScriptedCommand::behaviour = []() -> int32_t { throw std::runtime_error("Something broke"); };
    RunResult result = runWith({"scripted"});
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_EQ(result.err, "Something broke\n" + hint);

    ScriptedCommand::behaviour = []() -> int32_t { throw DeviceException(-8, 0x6A82); };
    result = runWith({"scripted"});
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_EQ(result.err, "The requested entity was not found\n" + hint);

    // Outside the runtime errors too: a defect ends the run with its text, not with an abort.
    ScriptedCommand::behaviour = []() -> int32_t { throw std::logic_error("No handler"); };
    result = runWith({"scripted"});
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_EQ(result.err, "No handler\n" + hint);
}

TEST(Application, OpenSSLExceptionsShowTheTextBeforeTheFirstColon) {
    struct Case {
        std::string thrown;
        std::string shown;
    };
    for (const Case& c :
         std::vector<Case>{{"Could not parse key: queue entry", "Could not parse key"},
                           {"Could not parse key:\n1: a\n2: b\n", "Could not parse key"},
                           {"No colon here", "No colon here"}}) {
        ScriptedCommand::behaviour = [&]() -> int32_t { throw OpenSSLException(c.thrown); };
        RunResult result = runWith({"scripted"});
        EXPECT_EQ(result.exitCode, -1) << c.thrown;
        EXPECT_EQ(result.err, c.shown + "\n" + hint) << c.thrown;
    }
}

TEST(Application, ParseErrorsRaisedInsideACommandExitWithMinusOne) {
    ScriptedCommand::behaviour = []() -> int32_t { throw CLI::ValidationError("Bad value"); };
    RunResult result = runWith({"scripted"});
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_EQ(result.err, "Bad value\n" + hint);
}

TEST(Command, RequireOneActionNamesAllActionsInOrder) {
    ScriptedCommand::behaviour = [] { return 0; };
    const std::string expected = "Exactly 1 option from [--alpha,--beta] is required\n" + hint;
    for (auto arguments : std::vector<std::vector<std::string>>{
             {"scripted"}, {"scripted", "--alpha", "--beta"}, {"scripted", "--gamma"}}) {
        Application application;
        auto& command = application.add<ScriptedCommand>();
        arguments.insert(arguments.begin(), "quenlix-key");
        std::vector<const char*> argv;
        for (const auto& argument : arguments) {
            argv.push_back(argument.c_str());
        }
        application.root->parse(static_cast<int>(argv.size()), argv.data());
        testing::internal::CaptureStderr();
        EXPECT_FALSE(command.requireOneAction().has_value());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), expected);
    }
}

TEST(Command, RequireOneActionGivesTheSingleActionByLongName) {
    Application application;
    auto& command = application.add<ScriptedCommand>();
    const char* argv[] = {"quenlix-key", "scripted", "-a", "--gamma"};
    application.root->parse(4, argv);
    const std::optional<size_t> action = command.requireOneAction();
    ASSERT_TRUE(action.has_value());
    EXPECT_EQ(command.actionOptions[*action], "--alpha");
}
