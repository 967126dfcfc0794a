#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
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

    // The single given action; otherwise prints the "Exactly 1 option" message and gives nothing.
    std::optional<std::string> requireOneAction() const;

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
    // Records an already registered option as one of the command's actions.
    CLI::Option* addAction(CLI::Option* option);

    // A flag without a variable, read back through its count. (CLI11 cannot pick an
    // add_flag overload for a string literal description, hence this wrapper.)
    CLI::Option* addFlag(const std::string& names, const std::string& description);

    // Records member texts that receive PINs or keys, to be wiped by wipeSecrets.
    void holdsSecrets(std::initializer_list<std::string*> texts);

    // Sets the result to rescue; delivered() drops it once it has reached a file.
    void keepUntilDelivered(std::string text) { rescuedResult = std::move(text); }
    void delivered() { rescuedResult.clear(); }

private:
    std::vector<std::string*> secretTexts;
    std::string rescuedResult;
};
