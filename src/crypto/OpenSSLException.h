#pragma once

#include <stdexcept>
#include <string>

// Failure of the cryptographic library. The message is the given text followed by the entries
// of the library's error queue, which the constructor takes off the queue: none → the text;
// one → "text: entry"; several → "text:" and one numbered line per entry ("1: entry").
class OpenSSLException : public std::runtime_error {
public:
    explicit OpenSSLException(const std::string& message);
};
