#include "device/otp/TotpSession.h"

#include "device/otp/RemainingTries.h"
#include "device/otp/VersionText.h"
#include "device/session/AppletIds.h"
#include "device/session/AppletSelection.h"
#include "device/transport/DeviceException.h"
#include "encoding/BigEndian.h"

namespace {

constexpr uint8_t insGetPinInfo = 0x10;
constexpr uint8_t insSetPin = 0x11;
constexpr uint8_t insVerifyPin = 0x12;
constexpr uint8_t insResetPin = 0x14;
constexpr uint8_t insListSlots = 0x20;
constexpr uint8_t insGetSlotInfo = 0x21;
constexpr uint8_t insConfigureSlot = 0x22;
constexpr uint8_t insClearSlot = 0x23;
constexpr uint8_t insGenerateCode = 0x24;
constexpr uint8_t insReset = 0x30;

bool validPinLength(const SecretBytes& pin) {
    return pin.size() >= totpMinimumPinLength && pin.size() <= totpMaximumPinLength;
}

bool validSettings(const TotpSlotSettings& settings) {
    return settings.hashAlgorithm <= totpSha512 && settings.digits >= totpMinimumDigits &&
           settings.digits <= totpMaximumDigits && settings.period >= totpMinimumPeriod &&
           settings.key.size() >= totpMinimumKeyLength &&
           settings.key.size() <= totpMaximumKeyLength && !settings.account.empty() &&
           settings.account.size() <= totpMaximumNameLength &&
           settings.issuer.size() <= totpMaximumNameLength;
}

[[noreturn]] void failInvalidArgument() {
    throw DeviceException(QUENLIX_KEY_ERROR_INVALID_ARGUMENT, 0);
}

} // namespace

TotpSession::TotpSession(const std::string& readerName)
    : Session(readerName),
      version(parseTotpSelectAnswer(selectApplet(channel(), totpAid, noTimeLimit))) {}

std::string TotpSession::getVersion() const {
    return versionText({version.major, version.minor, version.patch});
}

void TotpSession::verifyPin(const SecretBytes& pin, int32_t* remainingTries) {
    if (!validPinLength(pin)) {
        failInvalidArgument();
    }
    try {
        sendSecretCommand(channel(), insVerifyPin, 0x00, 0x00, pin, noTimeLimit);
    } catch (const DeviceException& failure) {
        recordRemainingTries(failure, remainingTries);
        throw;
    }
}

void TotpSession::setPin(const SecretBytes& newPin) {
    if (!validPinLength(newPin)) {
        throw DeviceException(QUENLIX_KEY_ERROR_INVALID_AUTH_CREDENTIAL, 0);
    }
    sendSecretCommand(channel(), insSetPin, 0x00, 0x00, newPin, noTimeLimit);
}

TotpPinInfo TotpSession::getPinInfo() {
    return parseTotpPinInfo(sendCommand(channel(), insGetPinInfo, 0x00, 0x00, {}, noTimeLimit));
}

Bytes TotpSession::listSlots() {
    return sendCommand(channel(), insListSlots, 0x00, 0x00, {}, noTimeLimit);
}

TotpSlotInfo TotpSession::getSlotInfo(uint8_t slot) {
    requireSlotInRange(slot);
    return parseTotpSlotRecord(sendCommand(channel(), insGetSlotInfo, slot, 0x00, {}, noTimeLimit));
}

uint8_t TotpSession::configureSlot(uint8_t slot, const TotpSlotSettings& settings) {
    if ((slot != totpFirstFreeSlot && slot >= version.slotCount) || !validSettings(settings)) {
        failInvalidArgument();
    }
    const Bytes answer = sendSecretCommand(channel(), insConfigureSlot, slot, 0x00,
                                           encodeTotpSlotRecord(settings), noTimeLimit);
    // The answer names the slot the card used; without it nothing can be reported.
    if (answer.empty()) {
        throw DeviceException(QUENLIX_KEY_ERROR_INVALID_RESPONSE, 0);
    }
    return answer.front();
}

void TotpSession::clearSlot(uint8_t slot) {
    requireSlotInRange(slot);
    sendCommand(channel(), insClearSlot, slot, 0x00, {}, noTimeLimit);
}

TotpCode TotpSession::generateCode(uint8_t slot, uint64_t currentTime) {
    requireSlotInRange(slot);
    return parseTotpCode(sendCommand(channel(), insGenerateCode, slot, 0x00,
                                     toBigEndianBytes(currentTime, 8), noTimeLimit));
}

void TotpSession::reset() {
    sendCommand(channel(), insReset, 0x00, 0x00, {}, noTimeLimit);
}

void TotpSession::resetPin() {
    sendCommand(channel(), insResetPin, 0x00, 0x00, {}, noTimeLimit);
}

void TotpSession::requireSlotInRange(uint8_t slot) const {
    if (slot >= version.slotCount) {
        failInvalidArgument();
    }
}
