#include "device/piv/PivSession.h"

#include "device/piv/Piv.h"
#include "device/piv/PivAnswers.h"
#include "device/session/AppletIds.h"
#include "device/session/AppletSelection.h"
#include "encoding/BigEndian.h"

#include <stdexcept>

namespace {

constexpr uint8_t insGetMetadata = 0xF7;
constexpr uint8_t insGetSerial = 0xF8;
constexpr uint8_t insSetPinRetries = 0xFA;
constexpr uint8_t insReset = 0xFB;

constexpr uint8_t pinReference = 0x80;
constexpr uint8_t pukReference = 0x81;
constexpr uint8_t resetP2 = 0x80;

constexpr int32_t selectTimeLimitMs = 120000;
constexpr int32_t resetTimeLimitMs = 30000;
// Commands the card answers at once: a response announced with 61xx is not waited for.
constexpr int32_t immediate = 0;

// A larger count would arrive at the card as its low 8 bits.
void checkRetryCount(uint32_t count, const std::string& credential) {
    if (count == 0) {
        throw std::runtime_error("New " + credential +
                                 " retry counter is not valid. It must be greater than 0.");
    }
    if (count > pivMaximumRetries) {
        throw std::runtime_error("New " + credential +
                                 " retry counter is not valid. It must be at most " +
                                 std::to_string(pivMaximumRetries) + ".");
    }
}

} // namespace

PivSession::PivSession(const std::string& readerName)
    : Session(readerName), selectAnswer(selectApplet(channel(), pivAid, selectTimeLimitMs)) {}

std::string PivSession::getVersion() const {
    return parsePivApplicationLabel(selectAnswer);
}

uint64_t PivSession::getSerialNumber() {
    return bigEndianToUint64(sendCommand(channel(), insGetSerial, 0x00, 0x00, {}, immediate));
}

PivRetryInfo PivSession::getPinRetries() {
    return getRetries(pinReference);
}

PivRetryInfo PivSession::getPukRetries() {
    return getRetries(pukReference);
}

PivRetryInfo PivSession::getRetries(uint8_t keyReference) {
    return parsePivRetryInfo(
        sendCommand(channel(), insGetMetadata, 0x00, keyReference, {}, noTimeLimit));
}

void PivSession::setRetries(uint32_t pinRetries, uint32_t pukRetries) {
    checkRetryCount(pinRetries, "PIN");
    checkRetryCount(pukRetries, "PUK");
    sendCommand(channel(), insSetPinRetries, static_cast<uint8_t>(pinRetries),
                static_cast<uint8_t>(pukRetries), {}, immediate);
}

void PivSession::reset() {
    sendCommand(channel(), insReset, 0x00, resetP2, {}, resetTimeLimitMs);
}
