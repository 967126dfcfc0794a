#include "encoding/ConstructedBerTlv.h"

#include "encoding/BerTlvLength.h"
#include "encoding/PrimitiveBerTlv.h"

#include <utility>

ConstructedBerTlv::ConstructedBerTlv(uint8_t tag, std::vector<std::unique_ptr<BerTlv>> children)
    : BerTlv(tag), children_(std::move(children)) {}

size_t ConstructedBerTlv::length() const {
    size_t total = 0;
    for (const auto& child : children_) {
        const size_t childLength = child->length();
        total += 1 + berTlvLengthFieldSize(childLength) + childLength;
    }
    return total;
}

void ConstructedBerTlv::encode(std::vector<uint8_t>& out) const {
    out.push_back(tag());
    appendBerTlvLength(out, length());
    for (const auto& child : children_) {
        child->encode(out);
    }
}

void ConstructedBerTlv::addPrimitive(uint8_t tag, const std::vector<uint8_t>& value) {
    children_.push_back(std::make_unique<PrimitiveBerTlv>(tag, value));
}
