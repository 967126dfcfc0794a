#include "device/otp/HotpSession.h"

#include "device/otp/Hotp.h"
#include "device/otp/RemainingTries.h"
#include "device/otp/VersionText.h"
#include "device/session/AppletIds.h"
#include "device/session/AppletSelection.h"
#include "device/transport/DeviceException.h"
#include "encoding/BigEndian.h"
#include "encoding/SecretText.h"

namespace {

constexpr uint8_t insSetKey = 0x10;
constexpr uint8_t insRestoreKey = 0x12;
constexpr uint8_t insSetCounter = 0x14;
constexpr uint8_t insRestoreCounter = 0x16;
constexpr uint8_t insGenerateCode = 0x18;
constexpr uint8_t insVerifyPin = 0x22;
constexpr uint8_t insChangePin = 0x24;
constexpr uint8_t insGetSerial = 0x28;

// SET OTP LENGTH is a card-manager command of its own class.
constexpr uint8_t claCardManager = 0xB1;
constexpr uint8_t insSetOtpLength = 0x05;
constexpr uint8_t p1SetOtpLength = 0x55;

// Commands the card answers at once: a response announced with 61xx is not waited for.
constexpr int32_t immediate = 0;

bool validPinLength(const SecretBytes& pin) {
    return pin.size() >= hotpMinimumPinLength && pin.size() <= hotpMaximumPinLength;
}

} // namespace

HotpSession::HotpSession(const std::string& readerName)
    : Session(readerName), versionBytes(selectApplet(channel(), hotpAid, noTimeLimit)) {}

std::string HotpSession::getVersion() const {
    return versionText({versionBytes.begin(), versionBytes.end()});
}

uint64_t HotpSession::getSerialNumber() {
    return bigEndianToUint64(sendCommand(channel(), insGetSerial, 0x00, 0x00, {}, immediate));
}

void HotpSession::verifyPin(const SecretBytes& pin, int32_t* remainingTries) {
    if (!validPinLength(pin)) {
        throw DeviceException(QUENLIX_KEY_ERROR_INVALID_ARGUMENT, 0);
    }
    try {
        sendSecretCommand(channel(), insVerifyPin, 0x00, 0x80, pin, noTimeLimit);
    } catch (const DeviceException& failure) {
        recordRemainingTries(failure, remainingTries);
        throw;
    }
}

void HotpSession::changePin(const SecretBytes& newPin) {
    if (!validPinLength(newPin)) {
        throw DeviceException(QUENLIX_KEY_ERROR_INVALID_AUTH_CREDENTIAL, 0);
    }
    sendSecretCommand(channel(), insChangePin, 0x00, 0x00, newPin, noTimeLimit);
}

Bytes HotpSession::generateCode() {
    return sendCommand(channel(), insGenerateCode, 0x00, 0x00, {}, immediate);
}

void HotpSession::setKey(const SecretBytes& keyHex) {
    const SecretBytes key = decodeSecretHex(keyHex);
    if (key.size() < hotpMinimumKeyLength || key.size() > hotpMaximumKeyLength) {
        throw DeviceException(QUENLIX_KEY_ERROR_INVALID_ARGUMENT, 0);
    }
    sendSecretCommand(channel(), insSetKey, 0x00, 0x00, key, noTimeLimit);
}

void HotpSession::setCounter(uint64_t counter) {
    sendCommand(channel(), insSetCounter, 0x00, 0x00, toBigEndianBytes(counter, 8), noTimeLimit);
}

void HotpSession::setOtpLength(uint8_t otpLength) {
    if (otpLength != hotpShortCodeLength && otpLength != hotpLongCodeLength) {
        throw DeviceException(QUENLIX_KEY_ERROR_INVALID_ARGUMENT, 0);
    }
    selectApplet(channel(), cardManagerAid, noTimeLimit);
    sendApdu(channel(), claCardManager, insSetOtpLength, p1SetOtpLength, otpLength, {},
             noTimeLimit);
    // The session goes on with the HOTP applet; its version was read at the first SELECT.
    selectApplet(channel(), hotpAid, noTimeLimit);
}

void HotpSession::restoreKey() {
    sendCommand(channel(), insRestoreKey, 0x00, 0x00, {}, immediate);
}

void HotpSession::restoreCounter() {
    sendCommand(channel(), insRestoreCounter, 0x00, 0x00, {}, immediate);
}
