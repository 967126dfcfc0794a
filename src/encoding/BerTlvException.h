#pragma once

#include <stdexcept>

// Malformed BER-TLV data; never leaves BerTlvParser::find.
class BerTlvParserException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// BER-TLV data that cannot be encoded.
class BerTlvBuilderException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
