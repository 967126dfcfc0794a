#pragma once

#include "encoding/BerTlv.h"
#include "encoding/ConstructedBerTlv.h"

#include <memory>

// Collects top-level BER-TLV nodes and encodes them in the order they were added.
class BerTlvBuilder {
public:
    // The builder keeps the node; the reference stays valid for the builder's lifetime.
    ConstructedBerTlv& addConstructed(uint8_t tag);
    void addPrimitive(uint8_t tag, const std::vector<uint8_t>& value);
    // Throws BerTlvBuilderException when a node is too long to encode.
    std::vector<uint8_t> build() const;

private:
    std::vector<std::unique_ptr<BerTlv>> nodes_;
};
