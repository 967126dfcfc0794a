#include "app/SecretWiping.h"

#include <openssl/crypto.h>

void wipeText(std::string& text) {
    OPENSSL_cleanse(text.data(), text.capacity());
    text.clear();
}

void wipeOptionResults(const CLI::App& app) {
    for (const CLI::Option* option : app.get_options()) {
        // CLI11 hands its results out read-only; the strings themselves are not const objects,
        // so writing over them is sound.
        for (const std::string& result : option->results()) {
            wipeText(const_cast<std::string&>(result));
        }
    }
    for (const CLI::App* subcommand : app.get_subcommands({})) {
        wipeOptionResults(*subcommand);
    }
}

CLI::Validator secretCheck(std::function<std::string(const std::string&)> check) {
    return CLI::Validator(
        [check](std::string& copy) {
            std::string message = check(copy);
            wipeText(copy);
            return message;
        },
        "");
}
