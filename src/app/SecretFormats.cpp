#include "app/SecretFormats.h"

#include "app/SecretWiping.h"
#include "encoding/Base32.h"
#include "encoding/Hex.h"

#include <algorithm>
#include <stdexcept>

namespace {

const std::string defaultPinFormat = "ascii";
const std::string defaultKeyFormat = "base32";

std::string toLower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char character) {
        return character >= 'A' && character <= 'Z' ? static_cast<char>(character - 'A' + 'a')
                                                    : character;
    });
    return text;
}

// "a", "a or b", "a, b or c"
std::string listInWords(const std::vector<std::string>& names) {
    std::string words;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            words += i + 1 == names.size() ? " or " : ", ";
        }
        words += names[i];
    }
    return words;
}

// Puts the transformed secret in place of the typed one; neither is left behind in freed memory.
void replaceSecret(std::string& secret, std::string& transformed) {
    wipeText(secret);
    secret.swap(transformed);
    wipeText(transformed);
}

// The decoded bytes are shorter than the hex text, so they fit in its buffer.
void pinToBytes(std::string& pin, const std::string& pinFormat) {
    if (toLower(pinFormat) != "hex") {
        return;
    }
    const SecretBytes bytes = secretHexToBytes(pin);
    wipeText(pin);
    pin.assign(bytes.begin(), bytes.end());
}

void keyToHex(std::string& key, const std::string& keyFormat) {
    if (toLower(keyFormat) != "base32") {
        return;
    }
    std::string hex = base32ToHex(key);
    replaceSecret(key, hex);
}

} // namespace

CLI::Validator applyPinFormat(const std::string& pinFormat) {
    const std::string* format = &pinFormat;
    return CLI::Validator(
        [format](std::string& pin) {
            try {
                pinToBytes(pin, *format);
            } catch (const std::runtime_error& error) {
                throw CLI::ValidationError(error.what());
            }
            if (pin.find('\0') != std::string::npos) {
                throw CLI::ValidationError("The provided PIN must not contain a zero byte");
            }
            return std::string();
        },
        "");
}

CLI::Validator applyKeyFormat(const std::string& keyFormat) {
    const std::string* format = &keyFormat;
    return CLI::Validator(
        [format](std::string& key) {
            try {
                keyToHex(key, *format);
            } catch (const std::runtime_error& error) {
                throw CLI::ValidationError(error.what());
            }
            return std::string();
        },
        "");
}

CLI::Option* addPinFormatOption(CLI::App& app, std::string& pinFormat,
                                const std::vector<std::string>& pinOptions) {
    pinFormat = defaultPinFormat;
    const std::string help =
        "The format of the PIN value for the " + listInWords(pinOptions) +
        " option. A PIN is a sequence of bytes, and the value of this option determines how an "
        "input PIN is converted to a byte sequence. If \"ascii\" is specified, the code points "
        "of each character in the input PIN are used to produce the byte sequence. If \"hex\" "
        "is specified, the input PIN is treated as a string of hexadecimal digit pairs, and "
        "each pair is converted to a single byte";
    return app.add_option("--pin-format", pinFormat, help)
        ->check(CLI::IsMember({"ascii", "hex"}, CLI::ignore_case))
        ->default_str(defaultPinFormat);
}

CLI::Option* addKeyFormatOption(CLI::App& app, std::string& keyFormat) {
    keyFormat = defaultKeyFormat;
    const std::string help =
        "The format of the key value for the --key option. If not specified, \"base32\" format "
        "is assumed. A key is a sequence of bytes, and the value of this option determines how "
        "an input key is converted to a byte sequence";
    return app.add_option("--key-format", keyFormat, help)
        ->check(CLI::IsMember({"base32", "hex"}, CLI::ignore_case))
        ->default_str(defaultKeyFormat);
}
