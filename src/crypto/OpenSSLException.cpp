#include "crypto/OpenSSLException.h"

#include <array>
#include <openssl/err.h>
#include <vector>

namespace {

// Takes every entry off the thread's error queue, oldest first.
std::vector<std::string> drainErrorQueue() {
    std::vector<std::string> entries;
    while (ERR_peek_error() != 0) {
        std::array<char, 256> text{};
        ERR_error_string_n(ERR_get_error(), text.data(), text.size());
        entries.emplace_back(text.data());
    }
    return entries;
}

std::string withQueueEntries(const std::string& message) {
    const std::vector<std::string> entries = drainErrorQueue();
    if (entries.empty()) {
        return message;
    }
    if (entries.size() == 1) {
        return message + ": " + entries.front();
    }
    std::string text = message + ":\n";
    for (size_t index = 0; index < entries.size(); ++index) {
        text += std::to_string(index + 1) + ": " + entries[index] + "\n";
    }
    return text;
}

} // namespace

OpenSSLException::OpenSSLException(const std::string& message)
    : std::runtime_error(withQueueEntries(message)) {}
