#include "device/session/AppletSelection.h"

#include "device/session/AppletIds.h"
#include "device/transport/DeviceException.h"

namespace {

constexpr uint8_t select = 0xA4;
constexpr uint8_t byName = 0x04;

Bytes sendSelect(CardChannel& channel, const Bytes& aid, int32_t timeLimitMs) {
    return sendCommand(channel, select, byName, 0x00, aid, timeLimitMs);
}

} // namespace

Bytes selectApplet(CardChannel& channel, const Bytes& aid, int32_t timeLimitMs) {
    try {
        return sendSelect(channel, aid, timeLimitMs);
    } catch (const DeviceException& error) {
        if (error.code != QUENLIX_KEY_ERROR_UNEXPECTED_SMARTCARD_STATE) {
            throw;
        }
    }
    selectCardManager(channel, timeLimitMs);
    return sendSelect(channel, aid, timeLimitMs);
}

Bytes selectCardManager(CardChannel& channel, int32_t timeLimitMs) {
    return sendSelect(channel, cardManagerAid, timeLimitMs);
}
