#include "app/PrintableText.h"

#include <cstdio>

namespace {

bool isControl(char character) {
    const auto byte = static_cast<unsigned char>(character);
    return byte < 0x20 || byte == 0x7F;
}

} // namespace

std::string printableText(const std::string& text) {
    std::string printable;
    printable.reserve(text.size());
    for (const char character : text) {
        if (!isControl(character)) {
            printable.push_back(character);
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(character));
        printable += escaped;
    }
    return printable;
}

bool isPrintableText(const std::string& text) {
    for (const char character : text) {
        if (isControl(character)) {
            return false;
        }
    }
    return true;
}
