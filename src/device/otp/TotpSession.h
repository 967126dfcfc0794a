#pragma once

#include "device/otp/Totp.h"
#include "device/otp/TotpAnswers.h"
#include "device/otp/TotpSlotRecord.h"
#include "device/session/Session.h"
#include "device/transport/ApduExchange.h"

#include <cstdint>
#include <string>

// A session with the TOTP applet selected. Methods throw DeviceException.
class TotpSession : public Session {
public:
    explicit TotpSession(const std::string& readerName);

    std::string getVersion() const;
    uint32_t getMaxSlots() const { return version.slotCount; }
    // remainingTries (may be null) receives the tries left when the card rejects the PIN.
    void verifyPin(const SecretBytes& pin, int32_t* remainingTries);
    void setPin(const SecretBytes& newPin);
    TotpPinInfo getPinInfo();
    // One byte per configured slot: its number.
    Bytes listSlots();
    TotpSlotInfo getSlotInfo(uint8_t slot);
    // slot may be totpFirstFreeSlot; returns the slot the card used.
    uint8_t configureSlot(uint8_t slot, const TotpSlotSettings& settings);
    void clearSlot(uint8_t slot);
    TotpCode generateCode(uint8_t slot, uint64_t currentTime);
    void reset();
    void resetPin();

private:
    void requireSlotInRange(uint8_t slot) const;

    TotpAppletVersion version;
};
