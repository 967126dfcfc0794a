#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Searches one level of BER-TLV data for elements by tag. Nested data is searched with a new
// parser over the value of the enclosing element.
class BerTlvParser {
public:
    explicit BerTlvParser(std::vector<uint8_t> data);

    // Value of the first top-level element with the given tag; tag bytes are read as one
    // big-endian number (7F 49 -> 0x7F49). Empty when the tag is absent, the data is malformed
    // before it, or the value is empty. Each call searches from the start.
    std::vector<uint8_t> find(uint32_t tag);
    // True when the last find stopped at the end of the data, i.e. the element it found was
    // the last one.
    bool atEnd() const { return cursor_ == data_.size(); }

private:
    uint8_t nextByte();
    uint32_t readTag();
    uint32_t readLength();

    std::vector<uint8_t> data_;
    size_t cursor_ = 0;
};
