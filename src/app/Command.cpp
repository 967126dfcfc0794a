#include "app/Command.h"

#include "app/JoinStrings.h"
#include "app/Output.h"
#include "app/SecretWiping.h"

Command::Command(CLI::App& root, const std::string& name, const std::string& description)
    : app(root.add_subcommand(name, description)) {}

std::vector<size_t> Command::givenPositions() const {
    std::vector<size_t> given;
    for (size_t position = 0; position < actionOptions.size(); ++position) {
        if (app->get_option(actionOptions[position])->count() > 0) {
            given.push_back(position);
        }
    }
    return given;
}

std::vector<std::string> Command::givenActions() const {
    std::vector<std::string> names;
    for (size_t position : givenPositions()) {
        names.push_back(actionOptions[position]);
    }
    return names;
}

std::optional<size_t> Command::requireOneAction() const {
    const std::vector<size_t> given = givenPositions();
    if (given.size() != 1) {
        reportFailure("Exactly 1 option from [" + joinStrings(actionOptions, ",") +
                      "] is required");
        return std::nullopt;
    }
    return given.front();
}

int32_t Command::runAction(size_t action) const {
    return actionHandlers.at(action)();
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
