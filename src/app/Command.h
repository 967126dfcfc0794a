#pragma once

#include "app/Action.h"

#include <CLI/CLI.hpp>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Base of every subcommand. A command registers its subcommand and options when it is
// constructed and does its work in execute() once the command line has been parsed.
class Command {
public:
    Command(CLI::App& root, const std::string& name, const std::string& description);
    virtual ~Command() = default;

    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    // 0 on success, -1 when the command reported a failure itself.
    virtual int32_t execute() = 0;

    // The action options that appeared on the command line, in registration order.
    std::vector<std::string> givenActions() const;

    // Position in actionOptions of the single given action; otherwise prints the "Exactly 1
    // option" message and gives nothing.
    std::optional<size_t> requireOneAction() const;

    // Performs the action at that position with its row's handler.
    int32_t runAction(size_t action) const;

    // Remaining PIN retries of the FIDO device the command worked on, asked for after a FIDO
    // PIN failure; nothing for commands without such a device or when it cannot be read.
    virtual std::optional<int32_t> remainingFidoPinRetries() const { return std::nullopt; }

    // Wipes the PIN and key texts the command recorded with holdsSecrets. Called while the
    // concrete command still exists, once its work is done.
    void wipeSecrets();

    // A result that exists nowhere else once the card has changed (the public key of a key
    // pair just generated); the run step writes it to standard error when the command fails
    // or its standard output is lost. Empty when there is none.
    const std::string& resultToRescue() const { return rescuedResult; }

    // The subcommand, owned by the root application.
    CLI::App* app;
    // Long names of the action options, in registration order.
    std::vector<std::string> actionOptions;

protected:
    // Registers the next rows of the command's action table, in table order, through the row
    // whose long name is lastName. The command calls it between its plain registrations, so
    // that every option keeps its place in the help.
    template <typename CommandType>
    void addActionsThrough(const std::vector<Action<CommandType>>& rows, std::string_view lastName);

    // A flag without a variable, read back through its count. (CLI11 cannot pick an
    // add_flag overload for a string literal description, hence this wrapper.)
    CLI::Option* addFlag(const std::string& names, const std::string& description);

    // Records member texts that receive PINs or keys, to be wiped by wipeSecrets.
    void holdsSecrets(std::initializer_list<std::string*> texts);

    // Sets the result to rescue; delivered() drops it once it has reached a file.
    void keepUntilDelivered(std::string text) { rescuedResult = std::move(text); }
    void delivered() { rescuedResult.clear(); }

private:
    // Positions in actionOptions of the action options that appeared on the command line.
    std::vector<size_t> givenPositions() const;

    // Registers one row as an action option.
    template <typename CommandType> CLI::Option* addAction(const Action<CommandType>& row);

    std::vector<std::string*> secretTexts;
    std::string rescuedResult;
    // The handlers of the action options, in the order of actionOptions.
    std::vector<std::function<int32_t()>> actionHandlers;
};

template <typename CommandType>
void Command::addActionsThrough(const std::vector<Action<CommandType>>& rows,
                                std::string_view lastName) {
    while (actionOptions.size() < rows.size()) {
        if (addAction(rows[actionOptions.size()])->get_name() == lastName) {
            return;
        }
    }
    // A mistake in the command's constructor, met by every run of the program.
    throw std::logic_error("No action " + std::string(lastName) + " left to register");
}

template <typename CommandType> CLI::Option* Command::addAction(const Action<CommandType>& row) {
    auto& command = static_cast<CommandType&>(*this);
    CLI::Option* option = row.value == nullptr
                              ? addFlag(row.names, row.help)
                              : app->add_option(row.names, command.*row.value, row.help);
    for (const char* needed : row.needs) {
        option->needs(std::string(needed));
    }
    if (row.checks != nullptr) {
        (command.*row.checks)(*option);
    }
    actionOptions.push_back(option->get_name());
    actionHandlers.emplace_back([&command, run = row.run] { return run(command); });
    return option;
}
