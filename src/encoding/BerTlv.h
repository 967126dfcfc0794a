#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class PrimitiveBerTlv;
class ConstructedBerTlv;

// A node to be encoded as BER-TLV. The tag is one byte and written exactly as given; whether a
// node is primitive or constructed does not depend on the tag's constructed bit.
class BerTlv {
public:
    explicit BerTlv(uint8_t tag) : tag_(tag) {}
    BerTlv(const BerTlv&) = delete;
    BerTlv& operator=(const BerTlv&) = delete;
    virtual ~BerTlv() = default;

    virtual bool isPrimitive() const = 0;
    virtual bool isConstructed() const = 0;
    virtual PrimitiveBerTlv* asPrimitive() = 0;
    virtual ConstructedBerTlv* asConstructed() = 0;
    // Content bytes only, without tag and length field.
    virtual size_t length() const = 0;
    // Appends tag, length field and content.
    virtual void encode(std::vector<uint8_t>& out) const = 0;

    uint8_t tag() const { return tag_; }

private:
    uint8_t tag_;
};
