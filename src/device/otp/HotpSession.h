#pragma once

#include "device/session/Session.h"
#include "device/transport/ApduExchange.h"

#include <cstdint>
#include <string>

// A session with the HOTP applet selected. The applet holds one counter-based credential
// guarded by a PIN (limits in Hotp.h); the card computes every code. Methods throw
// DeviceException.
class HotpSession : public Session {
public:
    explicit HotpSession(const std::string& readerName);

    std::string getVersion() const;
    uint64_t getSerialNumber();
    // remainingTries (may be null) receives the tries left when the card rejects the PIN.
    void verifyPin(const SecretBytes& pin, int32_t* remainingTries);
    // The current PIN must have been verified in this session.
    void changePin(const SecretBytes& newPin);
    Bytes generateCode();
    void setKey(const SecretBytes& keyHex);
    void setCounter(uint64_t counter);
    // The length is a setting of the card manager: it is selected for the change and the
    // HOTP applet selected again afterwards.
    void setOtpLength(uint8_t otpLength);
    void restoreKey();
    void restoreCounter();

private:
    // The applet's answer to SELECT.
    Bytes versionBytes;
};
