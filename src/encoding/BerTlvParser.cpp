#include "encoding/BerTlvParser.h"

#include "encoding/BerTlvException.h"

#include <utility>

namespace {

constexpr uint8_t tagNumberMask = 0x1F;
constexpr uint8_t moreTagBytesFlag = 0x80;
constexpr int maxSubsequentTagBytes = 3;
constexpr uint8_t longFormFlag = 0x80;
constexpr uint8_t longFormCountMask = 0x7F;
// More length bytes than fit the 32-bit length would silently drop the leading ones.
constexpr uint8_t maxLengthBytes = 4;

} // namespace

BerTlvParser::BerTlvParser(std::vector<uint8_t> data) : data_(std::move(data)) {}

std::vector<uint8_t> BerTlvParser::find(uint32_t tag) {
    cursor_ = 0;
    try {
        while (cursor_ < data_.size()) {
            const uint32_t elementTag = readTag();
            const uint32_t length = readLength();
            if (length > data_.size() - cursor_) {
                throw BerTlvParserException("Wrong length");
            }
            const auto valueStart = data_.begin() + static_cast<std::ptrdiff_t>(cursor_);
            cursor_ += length;
            if (elementTag == tag) {
                return std::vector<uint8_t>(valueStart, valueStart + length);
            }
        }
    } catch (const BerTlvParserException&) {
        // Malformed data reads as absent; the caller decides what absence means.
    }
    return {};
}

uint8_t BerTlvParser::nextByte() {
    if (cursor_ >= data_.size()) {
        throw BerTlvParserException("Invalid data");
    }
    return data_[cursor_++];
}

uint32_t BerTlvParser::readTag() {
    const uint8_t first = nextByte();
    uint32_t tag = first;
    if ((first & tagNumberMask) != tagNumberMask) {
        return tag;
    }
    for (int i = 0; i < maxSubsequentTagBytes; ++i) {
        const uint8_t next = nextByte();
        tag = tag << 8 | next;
        if ((next & moreTagBytesFlag) == 0) {
            return tag;
        }
    }
    throw BerTlvParserException("Multi byte tag too long");
}

uint32_t BerTlvParser::readLength() {
    const uint8_t first = nextByte();
    if ((first & longFormFlag) == 0) {
        return first;
    }
    const uint8_t count = first & longFormCountMask;
    if (count > maxLengthBytes) {
        throw BerTlvParserException("Length field too long");
    }
    uint32_t length = 0;
    for (uint8_t i = 0; i < count; ++i) {
        length = length << 8 | nextByte();
    }
    return length;
}
