#pragma once

#include "app/KeyManagementError.h"

#include <string>
#include <vector>

// Reads a result that an entry point hands out by the size protocol: one call with a null
// buffer for the length, one with a buffer of that length (none for an empty result). The
// entry point is called as entryPoint(Element* buffer, Length* length); each result goes
// through throwOnError.
template <typename Element, typename Length, typename EntryPoint>
std::vector<Element> readSized(EntryPoint&& entryPoint) {
    Length length = 0;
    throwOnError(entryPoint(static_cast<Element*>(nullptr), &length));
    std::vector<Element> buffer(length);
    Element* target = buffer.empty() ? nullptr : buffer.data();
    throwOnError(entryPoint(target, &length));
    return buffer;
}

// readSized for a text result.
template <typename Length, typename EntryPoint> std::string readSizedText(EntryPoint&& entryPoint) {
    std::vector<char> text = readSized<char, Length>(entryPoint);
    return std::string(text.begin(), text.end());
}
