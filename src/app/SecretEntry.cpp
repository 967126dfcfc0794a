#include "app/SecretEntry.h"

#include "app/TerminalEcho.h"
#include "encoding/SecretBytes.h"

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// No PIN, PUK or key comes near it; a longer line is not a secret meant for this program.
constexpr size_t maximumSecretLength = 1024;

struct LineRead {
    std::optional<SecretBytes> line; // nothing at the end of input
    std::string failure;
};

// One line, read a byte at a time so that nothing after it is taken from the descriptor.
LineRead readLine(int descriptor) {
    SecretBytes line;
    bool anything = false;
    for (;;) {
        char byte = 0;
        const ssize_t result = ::read(descriptor, &byte, 1);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0 || byte == '\n') {
            anything = anything || result > 0;
            break;
        }
        if (line.size() == maximumSecretLength) {
            return {std::nullopt, "the value on standard input is too long"};
        }
        anything = true;
        line.push_back(static_cast<uint8_t>(byte));
    }
    if (!anything) {
        return {std::nullopt, "no value on standard input"};
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    // A secret travels on as zero-terminated text and would be cut short silently.
    if (std::find(line.begin(), line.end(), 0) != line.end()) {
        return {std::nullopt, "the value on standard input holds a zero byte"};
    }
    return {std::move(line), ""};
}

// Echo goes off before the prompt shows, so that nothing typed after it is echoed.
LineRead promptedLine(const std::string& prompt) {
    const TerminalEchoOff echoOff(STDIN_FILENO);
    std::cerr << prompt << std::flush;
    return readLine(STDIN_FILENO);
}

LineRead readSecret(const SecretPrompt& prompt) {
    if (::isatty(STDIN_FILENO) == 0) {
        return readLine(STDIN_FILENO);
    }
    LineRead first = promptedLine(prompt.prompt);
    if (!first.line || prompt.repeat.empty()) {
        return first;
    }
    const LineRead again = promptedLine(prompt.repeat);
    if (!again.line || *again.line != *first.line) {
        return {std::nullopt, "the two entries differ"};
    }
    return first;
}

} // namespace

SecretPrompt secretPrompt(const std::string& name) {
    return {name + ": ", ""};
}

SecretPrompt newSecretPrompt(const std::string& name) {
    return {"New " + name + ": ", "Repeat new " + name + ": "};
}

CLI::Validator readSecretOnDash(SecretPrompt prompt, std::function<std::string()> competingReader) {
    return CLI::Validator(
        [prompt = std::move(prompt),
         competingReader = std::move(competingReader)](std::string& value) -> std::string {
            if (value != "-") {
                return "";
            }
            if (competingReader && ::isatty(STDIN_FILENO) == 0) {
                const std::string other = competingReader();
                if (!other.empty()) {
                    return "standard input cannot give both this secret and " + other;
                }
            }
            LineRead read = readSecret(prompt);
            if (!read.line) {
                return read.failure;
            }
            value.assign(read.line->begin(), read.line->end());
            return "";
        },
        "");
}

bool namesStandardInput(const std::string& path) {
    struct stat input {};
    struct stat named {};
    return ::fstat(STDIN_FILENO, &input) == 0 && ::stat(path.c_str(), &named) == 0 &&
           input.st_dev == named.st_dev && input.st_ino == named.st_ino;
}
