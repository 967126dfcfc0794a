#include "app/Application.h"

#include "app/FailureTranslation.h"
#include "app/SecretWiping.h"

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
    try {
        root->parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return root->exit(error, std::cout, std::cerr);
    }
    Command* command = parsedCommand();
    if (command == nullptr) {
        return 0;
    }
    return runTranslatingFailures(*command);
}

Command* Application::parsedCommand() const {
    for (const auto& command : commands) {
        if (command->app->parsed()) {
            return command.get();
        }
    }
    return nullptr;
}
