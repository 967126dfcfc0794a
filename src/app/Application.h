#pragma once

#include "app/Command.h"

#include <CLI/CLI.hpp>
#include <cstdint>
#include <memory>
#include <vector>

// The root command line and the commands registered on it, for one run of the program.
class Application {
public:
    Application();
    ~Application();

    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Constructs a command on the root application and keeps it; registration order is
    // dispatch order.
    template <typename CommandType> CommandType& add() {
        auto command = std::make_unique<CommandType>(*root);
        CommandType& added = *command;
        commands.push_back(std::move(command));
        return added;
    }

    // Parses the arguments, runs the named command and turns escaping failures into
    // messages and exit codes.
    int32_t run(int argc, const char* const* argv);

    std::unique_ptr<CLI::App> root;
    std::vector<std::unique_ptr<Command>> commands;

private:
    Command* parsedCommand() const;
};
