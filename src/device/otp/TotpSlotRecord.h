#pragma once

#include "device/otp/Totp.h"
#include "encoding/SecretBytes.h"

#include <cstdint>
#include <string>
#include <vector>

// Everything CONFIGURE SLOT stores in a TOTP slot.
struct TotpSlotSettings {
    bool pinProtected = false;
    uint8_t hashAlgorithm = 0;
    uint8_t digits = 6;
    uint64_t timeOrigin = 0;
    uint32_t period = 30;
    SecretBytes key;
    std::string account;
    std::string issuer;
};

// The BER-TLV slot record (constructed tag 30) sent with CONFIGURE SLOT. Digits, time origin,
// period and issuer are left out while they have the applet's default value. The record carries
// the key, so it is held where it is wiped.
SecretBytes encodeTotpSlotRecord(const TotpSlotSettings& settings);

// Reads a GET SLOT INFO answer. Throws DeviceException QUENLIX_KEY_ERROR_INVALID_RESPONSE when
// the PIN-protected flag or the account is missing, or when something follows the account that
// is not a non-empty issuer.
TotpSlotInfo parseTotpSlotRecord(const std::vector<uint8_t>& answer);
