#include "encoding/PrimitiveBerTlv.h"

#include "encoding/BerTlvLength.h"

#include <utility>

PrimitiveBerTlv::PrimitiveBerTlv(uint8_t tag, std::vector<uint8_t> value)
    : BerTlv(tag), value_(std::move(value)) {}

void PrimitiveBerTlv::encode(std::vector<uint8_t>& out) const {
    out.push_back(tag());
    appendBerTlvLength(out, value_.size());
    out.insert(out.end(), value_.begin(), value_.end());
}
