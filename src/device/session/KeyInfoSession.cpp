#include "device/session/KeyInfoSession.h"

#include "device/session/AppletIds.h"
#include "device/session/AppletSelection.h"
#include "encoding/BigEndian.h"

namespace {

constexpr uint8_t getSerial = 0x28;
// The serial number is expected in one answer, never announced with 61xx.
constexpr int32_t serialTimeLimitMs = 0;

} // namespace

KeyInfoSession::KeyInfoSession(const std::string& readerName)
    : Session(readerName), selectResponse(selectApplet(channel(), keyInfoAid, noTimeLimit)) {}

uint64_t KeyInfoSession::getSerialNumber() {
    return bigEndianToUint64(sendCommand(channel(), getSerial, 0x00, 0x00, {}, serialTimeLimitMs));
}
