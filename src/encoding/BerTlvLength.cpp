#include "encoding/BerTlvLength.h"

#include "encoding/BerTlvException.h"

namespace {

constexpr size_t maxShortFormLength = 0x7F;
constexpr size_t maxLongFormBytes = 3;
constexpr uint8_t longFormMarker = 0x80;

size_t longFormByteCount(size_t length) {
    size_t count = 0;
    for (size_t rest = length; rest > 0; rest >>= 8) {
        ++count;
    }
    if (count > maxLongFormBytes) {
        throw BerTlvBuilderException("Length is not supported");
    }
    return count;
}

} // namespace

size_t berTlvLengthFieldSize(size_t length) {
    if (length <= maxShortFormLength) {
        return 1;
    }
    return 1 + longFormByteCount(length);
}

void appendBerTlvLength(std::vector<uint8_t>& out, size_t length) {
    if (length <= maxShortFormLength) {
        out.push_back(static_cast<uint8_t>(length));
        return;
    }
    const size_t count = longFormByteCount(length);
    out.push_back(static_cast<uint8_t>(longFormMarker | count));
    for (size_t i = count; i > 0; --i) {
        out.push_back(static_cast<uint8_t>(length >> (8 * (i - 1))));
    }
}

void appendSecretBerTlv(SecretBytes& out, uint8_t tag, const SecretBytes& value) {
    std::vector<uint8_t> length;
    appendBerTlvLength(length, value.size());
    out.reserve(out.size() + 1 + length.size() + value.size());
    out.push_back(tag);
    out.insert(out.end(), length.begin(), length.end());
    out.insert(out.end(), value.begin(), value.end());
}
