#pragma once

#include "device/transport/CardChannel.h"
#include "device/transport/QuenlixKeyError.h"
#include "encoding/SecretBytes.h"

#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Time limit that leaves the collection of a response announced with 61xx unbounded.
inline constexpr int32_t noTimeLimit = -1;

// Sends one short APDU (no Le; Lc and data only with data), collects a response announced
// with 61xx through GET RESPONSE within timeLimitMs, and returns the data without the status
// word. Throws DeviceException for a failed transmission, a passed time limit or a status
// word other than 9000.
Bytes sendApdu(CardChannel& channel, uint8_t cla, uint8_t ins, uint8_t p1, uint8_t p2,
               const Bytes& data, int32_t timeLimitMs);

// Like sendApdu with class 00, chaining data longer than 255 bytes in APDUs of class 10;
// returns the concatenated response data of all parts.
Bytes sendCommand(CardChannel& channel, uint8_t ins, uint8_t p1, uint8_t p2, const Bytes& data,
                  int32_t timeLimitMs);

// sendCommand with secret data (PIN, PUK, key): the data goes from its wiped buffer into the
// wiped command buffers without a plain copy.
Bytes sendSecretCommand(CardChannel& channel, uint8_t ins, uint8_t p1, uint8_t p2,
                        const SecretBytes& data, int32_t timeLimitMs);

// The device error for a status word other than 9000.
QuenlixKeyError statusWordToError(uint16_t statusWord);
