#include "encoding/BerTlvBuilder.h"

#include "encoding/PrimitiveBerTlv.h"

ConstructedBerTlv& BerTlvBuilder::addConstructed(uint8_t tag) {
    auto node = std::make_unique<ConstructedBerTlv>(tag);
    ConstructedBerTlv& added = *node;
    nodes_.push_back(std::move(node));
    return added;
}

void BerTlvBuilder::addPrimitive(uint8_t tag, const std::vector<uint8_t>& value) {
    nodes_.push_back(std::make_unique<PrimitiveBerTlv>(tag, value));
}

std::vector<uint8_t> BerTlvBuilder::build() const {
    std::vector<uint8_t> out;
    for (const auto& node : nodes_) {
        node->encode(out);
    }
    return out;
}
