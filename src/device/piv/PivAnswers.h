#pragma once

#include "device/piv/PivSession.h"
#include "device/transport/ApduExchange.h"

#include <memory>
#include <string>

struct KeyInfo;

// Readers of the PIV applet's answers; each throws DeviceException for an answer it cannot use.

// Application label (tag 50 inside the property template 61) of the SELECT answer;
// INVALID_DATA when it is missing or empty.
std::string parsePivApplicationLabel(const Bytes& selectAnswer);

// GET METADATA of the PIN or PUK: 05 must hold one byte; 06, when present, the total and the
// remaining tries (both -1 without it). INVALID_DATA otherwise.
PivRetryInfo parsePivRetryInfo(const Bytes& metadata);

// The witness (81 inside the template 7C) of GENERAL AUTHENTICATE; INVALID_RESPONSE when it is
// missing or empty.
Bytes parsePivWitness(const Bytes& answer);

// Public key template 7F49 of GENERATE ASYMMETRIC KEY PAIR for the algorithm identifier:
// modulus 81 and exponent 82 for RSA, point 86 for EC. INVALID_RESPONSE for an answer that
// gives no key of the algorithm's type and size; std::runtime_error for an identifier the
// algorithm table does not know.
std::unique_ptr<KeyInfo> parseGeneratedPublicKey(const Bytes& answer, uint8_t algorithm);
