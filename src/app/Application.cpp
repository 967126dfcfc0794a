#include "app/Application.h"

#include "app/FailureTranslation.h"
#include "app/Output.h"
#include "app/SecretWiping.h"

#include <iostream>

namespace {
constexpr const char* versionText = "Version " QUENLIX_VERSION;
}

Application::Application() : root(std::make_unique<CLI::App>("", "")) {
    root->set_version_flag("--version", versionText,
                           "Display program version information and exit");
    root->require_subcommand(1);
}

Application::~Application() {
    // PINs and keys, in the commands and in CLI11's copies, are wiped on every way out.
    for (auto& command : commands) {
        command->wipeSecrets();
    }
    wipeOptionResults(*root);
    // Commands go first, in registration order, then the root application they registered on.
    for (auto& command : commands) {
        command.reset();
    }
    root.reset();
}

int32_t Application::run(int argc, const char* const* argv) {
    int32_t code = 0;
    Command* command = nullptr;
    try {
        root->parse(argc, argv);
        command = parsedCommand();
        if (command != nullptr) {
            code = runTranslatingFailures(*command);
        }
    } catch (const CLI::ParseError& error) {
        code = root->exit(error, std::cout, std::cerr);
    }
    // A result is only delivered once it has left the process; a failed command has said so.
    if (!flushStandardOutput() && code == 0) {
        code = reportFailure("Failed to write to standard output");
    }
    if (code != 0 && command != nullptr && !command->resultToRescue().empty()) {
        std::cerr << command->resultToRescue() << std::flush;
    }
    return code;
}

Command* Application::parsedCommand() const {
    for (const auto& command : commands) {
        if (command->app->parsed()) {
            return command.get();
        }
    }
    return nullptr;
}
