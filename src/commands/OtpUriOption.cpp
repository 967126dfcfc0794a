#include "commands/OtpUriOption.h"

#include "app/SecretEntry.h"
#include "app/SecretWiping.h"

#include <utility>
#include <variant>

namespace {

// The message of the first part that is refused, "field: message", or the empty text once
// every part was checked and stored.
std::string applyParts(const CLI::App& app, std::vector<UriPart>& parts) {
    for (UriPart& part : parts) {
        if (!part.value) {
            if (part.required) {
                return part.field + ": the URI has no " + part.field;
            }
            continue;
        }
        if (!part.option.empty() && app.get_option(part.option)->count() > 0) {
            return part.field + ": given both in the URI and as " + part.option;
        }
        const std::string message = part.check(*part.value);
        if (!message.empty()) {
            return part.field + ": " + message;
        }
        part.store(*part.value);
    }
    return "";
}

void wipeParts(std::vector<UriPart>& parts) {
    for (UriPart& part : parts) {
        if (part.value) {
            wipeText(*part.value);
        }
    }
}

} // namespace

// Help, type and action differ in kind, and each command passes them as literals.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
CLI::Option* addUriOption(CLI::App& app, std::string& uri, const std::string& help,
                          const std::string& type, const std::string& action,
                          const std::vector<std::string>& replaced, UriParts parts) {
    auto apply = [&app, type, action, replaced, parts = std::move(parts)](std::string& text) {
        auto parsed = parseOtpAuthUri(text, type);
        wipeText(text);
        if (auto* refusal = std::get_if<std::string>(&parsed)) {
            return *refusal;
        }
        OtpAuthUri& fields = std::get<OtpAuthUri>(parsed);
        std::vector<UriPart> given = parts(fields);
        wipeText(fields.keyHex);
        const std::string message = applyParts(app, given);
        wipeParts(given);
        if (message.empty()) {
            // The URI stands in for these; CLI11 checks the needs only after every value.
            CLI::Option* actionOption = app.get_option(action);
            for (const std::string& name : replaced) {
                actionOption->remove_needs(app.get_option(name));
            }
        }
        return message;
    };
    return app.add_option("--uri", uri, help)
        ->type_name("URI")
        ->transform(CLI::Validator(apply, ""))
        ->transform(readSecretOnDash(secretPrompt("URI")));
}
