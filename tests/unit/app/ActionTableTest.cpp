#include "app/Application.h"
#include "support/CommandLineRun.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A command whose action table has a flag, a text option with a check, and a flag that needs a
// plain option registered between the rows. Each handler records what it saw.
class TableCommand : public Command {
public:
    explicit TableCommand(CLI::App& root) : Command(root, "table", "For tests") {
        addActionsThrough(actions, "--text");
        app->add_option("--plain", plain, "Not an action");
        addActionsThrough(actions, "--needy");
    }

    int32_t execute() override {
        const std::optional<size_t> action = requireOneAction();
        return action ? runAction(*action) : -1;
    }

    static inline std::vector<std::string> performed;

private:
    int32_t flag() {
        performed.push_back("flag");
        return 0;
    }
    int32_t withText() {
        performed.push_back("text " + text);
        return 3;
    }
    int32_t needy() {
        performed.push_back("needy " + plain);
        return -1;
    }
    void checkText(CLI::Option& option) {
        option.check(
            CLI::Validator([](std::string& value) { return value == "bad" ? "refused" : ""; }, ""));
    }

    std::string text;
    std::string plain;

    static const std::vector<Action<TableCommand>> actions;
};

const std::vector<Action<TableCommand>> TableCommand::actions{
    {.names = "-f,--flag", .help = "A flag", .run = &TableCommand::flag},
    {.names = "--text",
     .help = "A text",
     .value = &TableCommand::text,
     .checks = &TableCommand::checkText,
     .run = &TableCommand::withText},
    {.names = "--needy",
     .help = "Needs --plain",
     .needs = {"--plain"},
     .run = &TableCommand::needy},
};

// Its constructor names a row that is not left to register.
class MisregisteringCommand : public Command {
public:
    explicit MisregisteringCommand(CLI::App& root) : Command(root, "broken", "For tests") {
        addActionsThrough(actions, "--second");
        addActionsThrough(actions, "--first");
    }
    int32_t execute() override { return 0; }

private:
    int32_t perform() { return 0; }

    static const std::vector<Action<MisregisteringCommand>> actions;
};

const std::vector<Action<MisregisteringCommand>> MisregisteringCommand::actions{
    {.names = "--first", .help = "First", .run = &MisregisteringCommand::perform},
    {.names = "--second", .help = "Second", .run = &MisregisteringCommand::perform},
};

} // namespace

TEST(ActionTable, TheGivenRowsHandlerRunsWithItsValueChecksAndNeeds) {
    struct Case {
        std::vector<std::string> arguments;
        int32_t exitCode;
        std::vector<std::string> performed;
        std::string err;
    };
    const Case cases[] = {
        {{"-f"}, 0, {"flag"}, ""},
        {{"--text", "a"}, 3, {"text a"}, ""},
        {{"--needy", "--plain", "p"}, -1, {"needy p"}, ""},
        {{"--text", "bad"}, 105, {}, "--text: refused\n" + hint},
        {{"--needy"}, 107, {}, "--needy requires --plain\n" + hint},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        TableCommand::performed.clear();
        const RunResult result = runCommand<TableCommand>("table", c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(TableCommand::performed, c.performed);
        EXPECT_EQ(result.err, c.err);
    }
}

TEST(ActionTable, RowsKeepTheirOrderAroundThePlainOptions) {
    Application application;
    TableCommand& command = application.add<TableCommand>();
    EXPECT_EQ(command.actionOptions, (std::vector<std::string>{"--flag", "--text", "--needy"}));
    std::vector<std::string> registered;
    for (const CLI::Option* option : command.app->get_options()) {
        registered.push_back(option->get_name());
    }
    EXPECT_EQ(registered,
              (std::vector<std::string>{"--help", "--flag", "--text", "--plain", "--needy"}));
}

TEST(ActionTable, NamingARowThatIsNotLeftFailsTheConstruction) {
    Application application;
    EXPECT_THROW(application.add<MisregisteringCommand>(), std::logic_error);
}
