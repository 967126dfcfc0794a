// Feeds arbitrary bytes to the BER-TLV parser: it must never crash, read out of bounds or hang,
// and whatever it finds must survive being built and parsed again.

#include "encoding/BerTlvBuilder.h"
#include "encoding/BerTlvParser.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int maxDepth = 4;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The builder writes one-byte tags only, and a byte that opens a multi-byte tag would not read
// back as one.
void checkRoundTrip(uint8_t tag, const Bytes& value) {
    if ((tag & 0x1F) == 0x1F) {
        return;
    }
    BerTlvBuilder builder;
    builder.addPrimitive(tag, value);
    BerTlvParser reparsed(builder.build());
    require(reparsed.find(tag) == value);
    require(reparsed.atEnd());
}

// Candidate tags: fixed ones the sessions ask for plus tags read from the data itself, so that
// found elements and multi-byte tags are reached without guessing.
std::vector<uint32_t> candidateTags(const Bytes& data) {
    std::vector<uint32_t> tags = {0x01, 0x53, 0x70, 0x71, 0x7C,   0x80,
                                  0x81, 0x82, 0x86, 0xFE, 0x7F49, 0x5FC105};
    uint32_t prefix = 0;
    for (size_t i = 0; i < data.size() && i < 4; ++i) {
        prefix = prefix << 8 | data[i];
        tags.push_back(prefix);
    }
    for (size_t i = 0; i < data.size() && i < 16; ++i) {
        tags.push_back(data[i]);
    }
    std::sort(tags.begin(), tags.end());
    tags.erase(std::unique(tags.begin(), tags.end()), tags.end());
    return tags;
}

void explore(const Bytes& data, int depth) {
    BerTlvParser parser(data);
    std::set<Bytes> explored;
    for (const uint32_t tag : candidateTags(data)) {
        const Bytes value = parser.find(tag);
        require(value.size() <= data.size());
        const bool last = parser.atEnd();
        require(parser.find(tag) == value);
        require(parser.atEnd() == last);
        if (value.empty()) {
            continue;
        }
        if (tag <= 0xFF) {
            checkRoundTrip(static_cast<uint8_t>(tag), value);
        }
        // Repeated values would make the search exponential in the depth.
        if (depth < maxDepth && explored.insert(value).second) {
            explore(value, depth + 1);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    explore(Bytes(data, data + size), 0);
    return 0;
}
