#include "app/Command.h"

#include "app/JoinStrings.h"
#include "app/Output.h"
#include "app/SecretWiping.h"

Command::Command(CLI::App& root, const std::string& name, const std::string& description)
    : app(root.add_subcommand(name, description)) {}

std::vector<std::string> Command::givenActions() const {
    std::vector<std::string> given;
    for (const std::string& name : actionOptions) {
        if (app->get_option(name)->count() > 0) {
            given.push_back(name);
        }
    }
    return given;
}

std::optional<std::string> Command::requireOneAction() const {
    std::vector<std::string> given = givenActions();
    if (given.size() != 1) {
        reportFailure("Exactly 1 option from [" + joinStrings(actionOptions, ",") +
                      "] is required");
        return std::nullopt;
    }
    return given.front();
}

CLI::Option* Command::addAction(CLI::Option* option) {
    actionOptions.push_back(option->get_name());
    return option;
}

CLI::Option* Command::addFlag(const std::string& names, const std::string& description) {
    return app->add_flag(names, description);
}

void Command::holdsSecrets(std::initializer_list<std::string*> texts) {
    secretTexts.insert(secretTexts.end(), texts.begin(), texts.end());
}

void Command::wipeSecrets() {
    for (std::string* text : secretTexts) {
        wipeText(*text);
    }
}
