#pragma once

#include "encoding/BerTlv.h"

#include <memory>

class ConstructedBerTlv : public BerTlv {
public:
    explicit ConstructedBerTlv(uint8_t tag, std::vector<std::unique_ptr<BerTlv>> children = {});

    bool isPrimitive() const override { return false; }
    bool isConstructed() const override { return true; }
    PrimitiveBerTlv* asPrimitive() override { return nullptr; }
    ConstructedBerTlv* asConstructed() override { return this; }
    // Sum of the children's encoded sizes; throws BerTlvBuilderException when a child is too
    // long to encode.
    size_t length() const override;
    void encode(std::vector<uint8_t>& out) const override;

    void addPrimitive(uint8_t tag, const std::vector<uint8_t>& value);
    const std::vector<std::unique_ptr<BerTlv>>& children() const { return children_; }

private:
    std::vector<std::unique_ptr<BerTlv>> children_;
};
