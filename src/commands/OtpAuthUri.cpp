#include "commands/OtpAuthUri.h"

#include "app/SecretWiping.h"
#include "encoding/Base32.h"
#include "encoding/SecretText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <stdexcept>

namespace {

struct Refusal {
    std::string message;
};

int hexValue(char c) {
    if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
        return c - '0';
    }
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper >= 'A' && upper <= 'F' ? upper - 'A' + 10 : -1;
}

// Percent escapes decoded; '+' stays, as the Key URI format writes blanks as %20.
// The text, then the field that names it in a refusal.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::string percentDecoded(const std::string& text, const std::string& field) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0 || (high == 0 && low == 0)) {
            throw Refusal{field + ": the URI holds a bad percent escape"};
        }
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
}

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    const size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

std::string upperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    return text;
}

// Parameters by name; the secret's value is wiped when the map goes.
class Parameters {
public:
    explicit Parameters(const std::string& query) {
        size_t start = 0;
        while (start <= query.size() && !query.empty()) {
            const size_t end = std::min(query.find('&', start), query.size());
            const size_t equals = std::min(query.find('=', start), end);
            const std::string name = query.substr(start, equals - start);
            if (!name.empty()) {
                if (values.count(name) > 0) {
                    throw Refusal{name + ": the parameter is given twice"};
                }
                std::string value =
                    query.substr(std::min(equals + 1, end), end - std::min(equals + 1, end));
                const WipedOnExit wipedValue(value);
                values[name] = percentDecoded(value, name);
            }
            start = end + 1;
        }
    }
    ~Parameters() {
        if (auto secret = values.find("secret"); secret != values.end()) {
            wipeText(secret->second);
        }
    }
    Parameters(const Parameters&) = delete;
    Parameters& operator=(const Parameters&) = delete;

    std::optional<std::string> take(const std::string& name) const {
        const auto value = values.find(name);
        return value == values.end() ? std::nullopt : std::optional(value->second);
    }

    // The secret stays where the destructor wipes it.
    const std::string& secret() const {
        static const std::string none;
        const auto value = values.find("secret");
        return value == values.end() ? none : value->second;
    }

private:
    std::map<std::string, std::string> values;
};

int32_t algorithmOf(const std::string& name) {
    const std::array<std::string, 3> names = {"SHA1", "SHA256", "SHA512"};
    const auto found = std::find(names.begin(), names.end(), upperCase(name));
    if (found == names.end()) {
        throw Refusal{"algorithm: the algorithm must be SHA1, SHA256 or SHA512"};
    }
    return static_cast<int32_t>(found - names.begin());
}

std::string secretHex(const std::string& secret) {
    if (secret.empty()) {
        throw Refusal{"secret: the URI has no secret"};
    }
    std::string upper = upperCase(secret);
    try {
        std::string hex = base32ToHex(upper);
        wipeText(upper);
        return hex;
    } catch (const std::runtime_error& error) {
        wipeText(upper);
        throw Refusal{std::string("secret: ") + error.what()};
    }
}

// The URI, then the type it must have, as parseOtpAuthUri takes them.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
OtpAuthUri parse(const std::string& uri, const std::string& type) {
    const std::string prefix = "otpauth://" + type + "/";
    if (uri.rfind(prefix, 0) != 0) {
        throw Refusal{"the URI must begin with " + prefix};
    }
    const size_t query = uri.find('?', prefix.size());
    const std::string label =
        percentDecoded(uri.substr(prefix.size(), query - prefix.size()), "label");
    std::string queryText = query == std::string::npos ? "" : uri.substr(query + 1);
    const WipedOnExit wipedQuery(queryText);
    const Parameters parameters(queryText);

    OtpAuthUri parts;
    const size_t colon = label.find(':');
    if (colon != std::string::npos) {
        parts.issuer = trimmed(label.substr(0, colon));
    }
    parts.account = trimmed(colon == std::string::npos ? label : label.substr(colon + 1));
    if (const auto issuer = parameters.take("issuer")) {
        if (parts.issuer && *parts.issuer != *issuer) {
            throw Refusal{"issuer: the label names the issuer " + *parts.issuer +
                          ", the issuer parameter " + *issuer};
        }
        parts.issuer = issuer;
    }
    parts.keyHex = secretHex(parameters.secret());
    if (const auto algorithm = parameters.take("algorithm")) {
        parts.algorithm = algorithmOf(*algorithm);
    }
    parts.digits = parameters.take("digits");
    parts.period = parameters.take("period");
    parts.counter = parameters.take("counter");
    return parts;
}

} // namespace

std::variant<OtpAuthUri, std::string> parseOtpAuthUri(const std::string& uri,
                                                      const std::string& type) {
    try {
        return parse(uri, type);
    } catch (const Refusal& refusal) {
        return refusal.message;
    }
}
