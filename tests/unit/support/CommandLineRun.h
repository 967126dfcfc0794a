#pragma once

#include "app/Application.h"

#include <cstdint>
#include <string>
#include <vector>

// What one run of the program's command line printed and returned.
struct RunResult {
    int32_t exitCode;
    std::string out;
    std::string err;
};

inline const std::string hint = "Run with --help for more information.\n";

// Runs the application on the arguments (without the program name), capturing both streams.
RunResult runCommandLine(Application& application, std::vector<std::string> arguments);

// Runs a fresh application holding only the given command, named by its subcommand.
template <typename CommandType>
RunResult runCommand(const std::string& subcommand, std::vector<std::string> arguments) {
    Application application;
    application.add<CommandType>();
    arguments.insert(arguments.begin(), subcommand);
    return runCommandLine(application, std::move(arguments));
}
