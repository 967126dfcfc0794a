#include "crypto/TripleDes.h"
#include "device/piv/Piv.h"
#include "device/piv/PivAnswers.h"
#include "device/piv/PivSession.h"
#include "device/transport/DeviceException.h"
#include "encoding/BerTlvBuilder.h"
#include "encoding/SecretText.h"

#include <algorithm>
#include <stdexcept>

namespace {

constexpr uint8_t insVerify = 0x20;
constexpr uint8_t insChangeReferenceData = 0x24;
constexpr uint8_t insResetRetryCounter = 0x2C;
constexpr uint8_t insGeneralAuthenticate = 0x87;
constexpr uint8_t insSetManagementKey = 0xFF;

constexpr uint8_t pinReference = 0x80;
constexpr uint8_t pukReference = 0x81;
constexpr uint8_t managementKeyReference = 0x9B;
constexpr uint8_t tripleDesAlgorithm = 0x03;

constexpr uint8_t tagAuthenticationTemplate = 0x7C;
constexpr uint8_t tagWitness = 0x81;
constexpr uint8_t tagResponse = 0x82;

constexpr size_t witnessLength = 8;
constexpr uint8_t pinPadding = 0xFF;

void require(bool valid, QuenlixKeyError code) {
    if (!valid) {
        throw DeviceException(code, 0);
    }
}

bool validPin(const SecretBytes& pin) {
    return pin.size() >= pivMinimumPinLength && pin.size() <= pivMaximumPinLength;
}

bool validPuk(const SecretBytes& puk) {
    return puk.size() == pivPukLength;
}

// The PIN's bytes followed by 0xFF up to the field of pivMaximumPinLength bytes the card expects.
SecretBytes padded(const SecretBytes& pin) {
    // Filled first and overwritten, not grown: growing a copy makes GCC 12 at -O3 warn about
    // a write past the buffer that cannot happen.
    SecretBytes field(pivMaximumPinLength, pinPadding);
    std::copy_n(pin.begin(), std::min(pin.size(), field.size()), field.begin());
    return field;
}

SecretBytes joined(const SecretBytes& first, const SecretBytes& second) {
    SecretBytes data;
    data.reserve(first.size() + second.size());
    data.insert(data.end(), first.begin(), first.end());
    data.insert(data.end(), second.begin(), second.end());
    return data;
}

// 7C holding one element: 7C 02 81 00 asks for a witness, 7C 0A 82 08 ... answers it.
Bytes authenticationTemplate(uint8_t tag, const Bytes& value) {
    BerTlvBuilder builder;
    builder.addConstructed(tagAuthenticationTemplate).addPrimitive(tag, value);
    return builder.build();
}

Bytes generalAuthenticate(CardChannel& channel, const Bytes& data) {
    return sendCommand(channel, insGeneralAuthenticate, tripleDesAlgorithm, managementKeyReference,
                       data, noTimeLimit);
}

SecretBytes managementKeyOf(const SecretBytes& hexText, QuenlixKeyError failure) {
    SecretBytes key = decodeSecretHex(hexText);
    require(key.size() == pivManagementKeyLength, failure);
    return key;
}

} // namespace

void PivSession::verifyPin(const SecretBytes& pin) {
    require(validPin(pin), QUENLIX_KEY_ERROR_AUTH);
    sendSecretCommand(channel(), insVerify, 0x00, pinReference, padded(pin), noTimeLimit);
}

void PivSession::changePin(const SecretBytes& oldPin, const SecretBytes& newPin) {
    require(validPin(oldPin), QUENLIX_KEY_ERROR_AUTH);
    require(validPin(newPin), QUENLIX_KEY_ERROR_INVALID_AUTH_CREDENTIAL);
    sendSecretCommand(channel(), insChangeReferenceData, 0x00, pinReference,
                      joined(padded(oldPin), padded(newPin)), noTimeLimit);
}

void PivSession::changePuk(const SecretBytes& oldPuk, const SecretBytes& newPuk) {
    require(validPuk(oldPuk), QUENLIX_KEY_ERROR_AUTH);
    require(validPuk(newPuk), QUENLIX_KEY_ERROR_INVALID_AUTH_CREDENTIAL);
    sendSecretCommand(channel(), insChangeReferenceData, 0x00, pukReference, joined(oldPuk, newPuk),
                      noTimeLimit);
}

void PivSession::unblockPin(const SecretBytes& puk, const SecretBytes& newPin) {
    require(validPuk(puk), QUENLIX_KEY_ERROR_AUTH);
    require(validPin(newPin), QUENLIX_KEY_ERROR_INVALID_AUTH_CREDENTIAL);
    sendSecretCommand(channel(), insResetRetryCounter, 0x00, pinReference,
                      joined(puk, padded(newPin)), noTimeLimit);
}

// The card sends a random witness; encrypting it under the management key proves the key.
// Whatever goes wrong on the way is one failed authentication.
void PivSession::authenticate(const SecretBytes& managementKeyHex) {
    try {
        const SecretBytes key = managementKeyOf(managementKeyHex, QUENLIX_KEY_ERROR_AUTH);
        const Bytes witness =
            parsePivWitness(generalAuthenticate(channel(), authenticationTemplate(tagWitness, {})));
        // One Triple-DES block; anything else cannot be answered.
        require(witness.size() == witnessLength, QUENLIX_KEY_ERROR_AUTH);
        const Bytes encrypted = tripleDesEncrypt(key, witness, SymmetricCipher::TripleDes);
        generalAuthenticate(channel(), authenticationTemplate(tagResponse, encrypted));
    } catch (const std::runtime_error&) {
        throw DeviceException(QUENLIX_KEY_ERROR_AUTH, 0);
    }
}

void PivSession::setManagementKey(const SecretBytes& newManagementKeyHex) {
    try {
        const SecretBytes key =
            managementKeyOf(newManagementKeyHex, QUENLIX_KEY_ERROR_INVALID_AUTH_CREDENTIAL);
        const SecretBytes header{tripleDesAlgorithm, managementKeyReference,
                                 static_cast<uint8_t>(pivManagementKeyLength)};
        sendSecretCommand(channel(), insSetManagementKey, 0xFF, 0xFF, joined(header, key),
                          noTimeLimit);
    } catch (const std::runtime_error&) {
        throw DeviceException(QUENLIX_KEY_ERROR_INVALID_AUTH_CREDENTIAL, 0);
    }
}
