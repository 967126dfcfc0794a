#pragma once

#include <string>

// Text that came from a card or from PC/SC, made safe for a terminal: control characters
// (below 0x20, and 0x7F) are written as \xHH, so that a name can neither move the cursor nor
// pose as a line of its own. Other bytes, UTF-8 included, pass unchanged.
std::string printableText(const std::string& text);

// True when the text holds no control character.
bool isPrintableText(const std::string& text);
