#include "device/piv/CardSigning.h"

#include "device/piv/PivObjectAnswers.h"
#include "device/piv/PivTables.h"
#include "device/transport/DeviceException.h"
#include "encoding/BerTlvBuilder.h"

#include <algorithm>

namespace {

constexpr uint8_t insGeneralAuthenticate = 0x87;
constexpr uint8_t tagAuthenticationTemplate = 0x7C;
constexpr uint8_t tagChallenge = 0x81;
constexpr uint8_t tagResponse = 0x82;

Bytes challengeFor(uint8_t algorithm, HashType hashType, std::span<const uint8_t> data) {
    if (!isRSAAlgorithm(algorithm)) {
        return Bytes(data.begin(), data.end());
    }
    // isRSAAlgorithm has refused identifiers the table does not know.
    return encodePkcs1DigestInfo(findPivAlgorithm(algorithm)->bits, hashType, data);
}

// The code before its cause, as DeviceException holds them.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void recordFailure(CardSigningContext& context, int32_t code, int32_t statusWord) {
    context.errorCode = code;
    context.statusWord = statusWord;
}

// Copies the card's signature into the library's buffer of capacity bytes; a longer one is a
// failed signing, never a write past the buffer.
int deliver(CardSigningContext& context, const Bytes& result, size_t capacity,
            unsigned char* signature, unsigned int* signatureLength) {
    if (result.empty()) {
        return 0;
    }
    if (result.size() > capacity) {
        recordFailure(context, QUENLIX_KEY_ERROR_INVALID_RESPONSE, 0);
        return 0;
    }
    std::copy(result.begin(), result.end(), signature);
    *signatureLength = static_cast<unsigned int>(result.size());
    return 1;
}

} // namespace

Bytes signOnCard(CardChannel& session, uint8_t slot, uint8_t algorithm, HashType hashType,
                 std::span<const uint8_t> data) {
    BerTlvBuilder builder;
    ConstructedBerTlv& authentication = builder.addConstructed(tagAuthenticationTemplate);
    authentication.addPrimitive(tagChallenge, challengeFor(algorithm, hashType, data));
    authentication.addPrimitive(tagResponse, {});
    const Bytes answer =
        sendCommand(session, insGeneralAuthenticate, algorithm, slot, builder.build(), noTimeLimit);
    return parseSignatureAnswer(answer);
}

Bytes signOnCardNoThrow(CardSigningContext& context, std::span<const uint8_t> data) {
    try {
        return signOnCard(context.session, static_cast<uint8_t>(context.slot),
                          static_cast<uint8_t>(context.algorithm), context.hashType, data);
    } catch (const DeviceException& error) {
        recordFailure(context, error.code, error.detail);
    } catch (...) {
        recordFailure(context, QUENLIX_KEY_ERROR_INVALID_ARGUMENT, 0);
    }
    return {};
}

int rsaSignCallback(int /*type*/, const unsigned char* digest, unsigned int digestLength,
                    unsigned char* signature, unsigned int* signatureLength, const RSA* rsa) {
    auto* context = static_cast<CardSigningContext*>(RSA_meth_get0_app_data(RSA_get_method(rsa)));
    const Bytes result = signOnCardNoThrow(*context, {digest, digestLength});
    // A raw RSA answer is exactly as long as the modulus.
    const auto modulusLength = static_cast<size_t>(RSA_size(rsa));
    if (!result.empty() && result.size() != modulusLength) {
        recordFailure(*context, QUENLIX_KEY_ERROR_INVALID_RESPONSE, 0);
        return 0;
    }
    return deliver(*context, result, modulusLength, signature, signatureLength);
}

int ecSignCallback(int /*type*/, const unsigned char* digest, int digestLength,
                   unsigned char* signature, unsigned int* signatureLength, const BIGNUM* /*kinv*/,
                   const BIGNUM* /*r*/, EC_KEY* ecKey) {
    auto* context = static_cast<CardSigningContext*>(EC_KEY_get_ex_data(ecKey, 0));
    const Bytes result =
        signOnCardNoThrow(*context, {digest, static_cast<size_t>(std::max(digestLength, 0))});
    // The library's buffer holds the largest DER signature of the curve.
    return deliver(*context, result, static_cast<size_t>(ECDSA_size(ecKey)), signature,
                   signatureLength);
}
