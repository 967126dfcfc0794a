#pragma once

#include "device/otp/Totp.h"

#include <cstdint>
#include <vector>

// Readers of the TOTP applet's fixed-shape answers. Each throws DeviceException
// QUENLIX_KEY_ERROR_INVALID_RESPONSE for an answer of the wrong shape.

struct TotpAppletVersion {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t patch = 0;
    uint32_t slotCount = 0;
};

struct TotpPinInfo {
    int32_t maxTries = 0;
    int32_t triesLeft = 0;
    bool pinSet = false;
};

// SELECT answer: major, minor, patch, slot count (exactly 4 bytes).
TotpAppletVersion parseTotpSelectAnswer(const std::vector<uint8_t>& answer);

// GET PIN INFO answer: maximum tries, tries left, PIN state (00: a PIN is set).
TotpPinInfo parseTotpPinInfo(const std::vector<uint8_t>& answer);

// GENERATE CODE answer: time origin (8 bytes), period (4 bytes, not 0), totpMinimumDigits to
// totpMaximumDigits code characters.
TotpCode parseTotpCode(const std::vector<uint8_t>& answer);
