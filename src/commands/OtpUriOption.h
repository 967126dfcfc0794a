#pragma once

#include "commands/OtpAuthUri.h"

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// "--uri URI" of totp --conf-slot and hotp --configure: an enrolment URI in place of the
// options it fills. Each part the URI gives passes the check of its option and is stored
// where that option stores its value, so the card receives what the explicit options give.

// One part of the URI and the option it stands for.
struct UriPart {
    // As the messages name it, e.g. "period".
    std::string field;
    // The equivalent option, e.g. "--period"; given on the command line too, it is refused.
    // Empty when the command has none.
    std::string option;
    // The URI's text; nothing when the URI does not give the part.
    std::optional<std::string> value;
    // A URI without the part is refused.
    bool required = false;
    // The option's own check, attached as the option attaches it: through asCheck when the
    // option uses ->check(), plainly when it uses ->transform() and so may rewrite the text.
    CLI::Validator check;
    // Writes the checked text where the option writes its value.
    std::function<void(const std::string&)> store;
};

// The parts a command takes from a parsed URI, in the order they are checked.
using UriParts = std::function<std::vector<UriPart>(const OtpAuthUri&)>;

// Registers "--uri" on app with the help text. type is "totp" or "hotp", the type the URI must
// have. Once the URI passed, action no longer needs the options in `replaced`; without "--uri" it
// needs them as before. A refusal is CLI11's validation error of "--uri" with a message that names
// the field and never holds the secret. "-" reads the URI like any secret.
CLI::Option* addUriOption(CLI::App& app, std::string& uri, const std::string& help,
                          const std::string& type, const std::string& action,
                          const std::vector<std::string>& replaced, UriParts parts);

// A check that sees a copy of the text, as CLI11 runs the checks attached with ->check().
inline CLI::Validator asCheck(CLI::Validator check) {
    check.non_modifying();
    return check;
}

// Stores a checked text into an integer field the way CLI11 converts the option's value.
template <typename Integer> std::function<void(const std::string&)> storeNumber(Integer& field) {
    return [&field](const std::string& text) { CLI::detail::lexical_cast(text, field); };
}
