#pragma once

#include "crypto/OpenSSLHandles.h"

#include <cstdint>
#include <span>
#include <string>

// Library public keys from the raw key material the card returns.
EvpPkeyPtr makeRSAPublicKey(std::span<const uint8_t> modulus, std::span<const uint8_t> exponent);

// curveName is a NIST name ("P-256", "P-384"); point is the uncompressed 04 || X || Y.
EvpPkeyPtr makeECPublicKey(const std::string& curveName, std::span<const uint8_t> point);
