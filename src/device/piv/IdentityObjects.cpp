#include "device/piv/PivDataObjects.h"
#include "device/piv/PivSession.h"
#include "encoding/BerTlvBuilder.h"

#include <array>
#include <random>
#include <string>

namespace {

constexpr uint8_t tagObject = 0x53;
constexpr uint8_t tagErrorDetection = 0xFE;

// Card Capability Container: card identifier, versions, and the elements this card leaves
// empty, in the order of the Government Smart Card Interoperability layout.
const Bytes cardIdentifierPrefix{0xA0, 0x00, 0x00, 0x01, 0x16, 0x05, 0x02};
constexpr size_t cardIdentifierRandomLength = 18;
constexpr uint8_t tagCardIdentifier = 0xF0;
constexpr uint8_t capabilityVersion = 0x21;
constexpr std::array<uint8_t, 7> emptyCccTags{
    0xF6, 0xF7, 0xFA, 0xFB, 0xFC, 0xFD, tagErrorDetection};

// Cardholder Unique Identifier: FASC-N, GUID, expiration date, empty signature.
const Bytes fascn{0xD4, 0xE7, 0x39, 0xDA, 0x73, 0x9C, 0xED, 0x39, 0xCE, 0x73, 0x9D, 0x83, 0x60,
                  0xD8, 0x21, 0x08, 0x42, 0x10, 0x84, 0x21, 0x08, 0x42, 0x10, 0x87, 0xF3};
constexpr size_t guidLength = 16;
const std::string expirationDate = "20330101";
constexpr uint8_t tagFascn = 0x30;
constexpr uint8_t tagGuid = 0x34;
constexpr uint8_t tagExpiration = 0x35;
constexpr uint8_t tagSignature = 0x3E;

// Identifiers, not keys: a generator seeded from the random device for each string.
Bytes randomBytes(size_t count) {
    std::random_device device;
    std::mt19937 generator(device());
    std::uniform_int_distribution<int> distribution(0, 0xFF);
    Bytes bytes(count);
    for (uint8_t& byte : bytes) {
        byte = static_cast<uint8_t>(distribution(generator));
    }
    return bytes;
}

Bytes cccContent() {
    Bytes cardIdentifier = cardIdentifierPrefix;
    const Bytes random = randomBytes(cardIdentifierRandomLength);
    cardIdentifier.insert(cardIdentifier.end(), random.begin(), random.end());

    BerTlvBuilder builder;
    ConstructedBerTlv& content = builder.addConstructed(tagObject);
    content.addPrimitive(tagCardIdentifier, cardIdentifier);
    content.addPrimitive(0xF1, {capabilityVersion});
    content.addPrimitive(0xF2, {capabilityVersion});
    content.addPrimitive(0xF3, {});
    content.addPrimitive(0xF4, {0x00});
    content.addPrimitive(0xF5, {0x00});
    for (const uint8_t emptyTag : emptyCccTags) {
        content.addPrimitive(emptyTag, {});
    }
    return builder.build();
}

Bytes chuidContent() {
    BerTlvBuilder builder;
    ConstructedBerTlv& content = builder.addConstructed(tagObject);
    content.addPrimitive(tagFascn, fascn);
    content.addPrimitive(tagGuid, randomBytes(guidLength));
    content.addPrimitive(tagExpiration, Bytes(expirationDate.begin(), expirationDate.end()));
    content.addPrimitive(tagSignature, {});
    content.addPrimitive(tagErrorDetection, {});
    return builder.build();
}

} // namespace

Bytes PivSession::setCcc() {
    Bytes content = cccContent();
    putData(pivCccObject, content);
    return content;
}

Bytes PivSession::setChuid() {
    Bytes content = chuidContent();
    putData(pivChuidObject, content);
    return content;
}
