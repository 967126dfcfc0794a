#pragma once

#include <CLI/CLI.hpp>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The member function that performs an action: 0 on success, -1 when the command reported a
// failure itself. It has no empty state, so a row without a handler does not compile.
template <typename CommandType> class ActionHandler {
public:
    using Function = int32_t (CommandType::*)();

    // Implicit, so that a row names the member function plainly.
    ActionHandler(Function performing) : function(performing) {}
    ActionHandler(std::nullptr_t) = delete;

    int32_t operator()(CommandType& command) const { return (command.*function)(); }

private:
    Function function;
};

// One row of a command's action table: the option that names the action on the command line
// and the handler that performs it. The command registers its action options from the rows
// and runs the row of the one action given; there is no other way to an action.
template <typename CommandType> struct Action {
    // CLI11 names, e.g. "-l,--list-certificates"; the long one names the action.
    const char* names = nullptr;
    const char* help = nullptr;
    // The text field the option writes; null for a flag, whose presence is read back through
    // its count.
    std::string CommandType::*value = nullptr;
    // Options that must be given with this one.
    std::vector<const char*> needs = {};
    // Attaches the transforms and checks of the value; null when it has none.
    void (CommandType::*checks)(CLI::Option& option) = nullptr;
    ActionHandler<CommandType> run;
};
