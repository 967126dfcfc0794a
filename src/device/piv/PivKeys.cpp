#include "crypto/KeyInfo.h"
#include "crypto/ObjectParsing.h"
#include "device/piv/PivAnswers.h"
#include "device/piv/PivSession.h"
#include "encoding/BerTlvBuilder.h"
#include "encoding/BerTlvLength.h"
#include "encoding/SecretText.h"

#include <stdexcept>

namespace {

constexpr uint8_t insGenerateKeyPair = 0x47;
constexpr uint8_t insImportKey = 0xFE;

constexpr int32_t generateTimeLimitMs = 70000;

constexpr uint8_t tagGenerationTemplate = 0xAC;
constexpr uint8_t tagAlgorithm = 0x80;
constexpr uint8_t tagPinPolicy = 0xAA;
constexpr uint8_t tagTouchPolicy = 0xAB;
constexpr uint8_t tagPrime1 = 0x01;
constexpr uint8_t tagPrime2 = 0x02;
constexpr uint8_t tagExponent1 = 0x03;
constexpr uint8_t tagExponent2 = 0x04;
constexpr uint8_t tagCoefficient = 0x05;
constexpr uint8_t tagPrivateScalar = 0x06;

void requireSlot(uint8_t slot) {
    if (findPivKeySlot(slot) == nullptr) {
        throw std::runtime_error("PIV slot is not valid.");
    }
}

// Components as the card takes them: p, q, d mod (p-1), d mod (q-1), q^-1 mod p for RSA, the
// private scalar for EC; each in its minimal length.
SecretBytes privateKeyComponents(KeyInfo& key, const PivKeyPolicies& policies) {
    SecretBytes data;
    if (RSAKeyInfo* rsa = key.asRSA()) {
        appendSecretBerTlv(data, tagPrime1, rsa->prime1);
        appendSecretBerTlv(data, tagPrime2, rsa->prime2);
        appendSecretBerTlv(data, tagExponent1, rsa->exponent1);
        appendSecretBerTlv(data, tagExponent2, rsa->exponent2);
        appendSecretBerTlv(data, tagCoefficient, rsa->coefficient);
    } else {
        appendSecretBerTlv(data, tagPrivateScalar, key.asEC()->privateKey);
    }
    appendSecretBerTlv(data, tagPinPolicy, {policies.pin});
    appendSecretBerTlv(data, tagTouchPolicy, {policies.touch});
    return data;
}

} // namespace

// Slot before algorithm, the order of piv_generateKeyPair.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::unique_ptr<KeyInfo> PivSession::generateKeyPair(uint8_t slot, uint8_t algorithm,
                                                     const PivKeyPolicies& policies) {
    requireSlot(slot);
    if (findPivAlgorithm(algorithm) == nullptr) {
        throw std::runtime_error("Algorithm is not supported.");
    }
    BerTlvBuilder builder;
    builder.addConstructed(tagGenerationTemplate).addPrimitive(tagAlgorithm, {algorithm});
    builder.addPrimitive(tagPinPolicy, {policies.pin});
    builder.addPrimitive(tagTouchPolicy, {policies.touch});
    const Bytes answer = sendCommand(channel(), insGenerateKeyPair, 0x00, slot, builder.build(),
                                     generateTimeLimitMs);
    return parseGeneratedPublicKey(answer, algorithm);
}

void PivSession::importPrivateKey(uint8_t slot, const SecretBytes& keyData,
                                  const PivKeyPolicies& policies) {
    requireSlot(slot);
    const std::unique_ptr<KeyInfo> key = describedKey(parsePrivateKey(keyData));
    const SecretBytes data = privateKeyComponents(*key, policies);
    // Sizes the card does not take fail here, before anything is sent.
    const uint8_t algorithm = algorithmIdOf(*key);
    sendSecretCommand(channel(), insImportKey, algorithm, slot, data, noTimeLimit);
}
