#include "crypto/KeyInfo.h"
#include "crypto/OpenSSLException.h"
#include "crypto/PublicKeys.h"
#include "device/piv/PivAnswers.h"
#include "device/piv/PivTables.h"
#include "device/transport/DeviceException.h"
#include "encoding/BerTlvParser.h"

#include <stdexcept>
#include <string>

namespace {

constexpr uint32_t tagPublicKeyTemplate = 0x7F49;
constexpr uint32_t tagModulus = 0x81;
constexpr uint32_t tagExponent = 0x82;
constexpr uint32_t tagPoint = 0x86;

[[noreturn]] void failInvalidResponse() {
    throw DeviceException(QUENLIX_KEY_ERROR_INVALID_RESPONSE, 0);
}

Bytes requiredElement(BerTlvParser& parser, uint32_t tag) {
    Bytes value = parser.find(tag);
    if (value.empty()) {
        failInvalidResponse();
    }
    return value;
}

std::unique_ptr<KeyInfo> rsaKeyOf(BerTlvParser& publicKey) {
    const Bytes modulus = requiredElement(publicKey, tagModulus);
    const Bytes exponent = requiredElement(publicKey, tagExponent);
    return makeRSAKeyInfo(makeRSAPublicKey(modulus, exponent));
}

std::unique_ptr<KeyInfo> ecKeyOf(BerTlvParser& publicKey, const PivAlgorithm& algorithm) {
    if (algorithm.curveName.empty()) {
        throw std::runtime_error("Invalid ECDSA algorithm " + std::to_string(algorithm.id));
    }
    const Bytes point = requiredElement(publicKey, tagPoint);
    return makeECKeyInfo(makeECPublicKey(std::string(algorithm.curveName), point));
}

} // namespace

std::unique_ptr<KeyInfo> parseGeneratedPublicKey(const Bytes& answer, uint8_t algorithm) {
    const bool rsa = isRSAAlgorithm(algorithm);
    const PivAlgorithm& entry = *findPivAlgorithm(algorithm);
    BerTlvParser publicKey(BerTlvParser(answer).find(tagPublicKeyTemplate));
    std::unique_ptr<KeyInfo> key;
    try {
        key = rsa ? rsaKeyOf(publicKey) : ecKeyOf(publicKey, entry);
    } catch (const OpenSSLException&) {
        failInvalidResponse();
    }
    // A key of another size than the one asked for is not the key the slot now holds.
    if (key->bits != entry.bits) {
        failInvalidResponse();
    }
    return key;
}
