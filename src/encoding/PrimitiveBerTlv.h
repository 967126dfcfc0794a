#pragma once

#include "encoding/BerTlv.h"

class PrimitiveBerTlv : public BerTlv {
public:
    PrimitiveBerTlv(uint8_t tag, std::vector<uint8_t> value);

    bool isPrimitive() const override { return true; }
    bool isConstructed() const override { return false; }
    PrimitiveBerTlv* asPrimitive() override { return this; }
    ConstructedBerTlv* asConstructed() override { return nullptr; }
    size_t length() const override { return value_.size(); }
    void encode(std::vector<uint8_t>& out) const override;

    const std::vector<uint8_t>& value() const { return value_; }

private:
    std::vector<uint8_t> value_;
};
