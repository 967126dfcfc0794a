#pragma once

#include "crypto/OpenSSLHandles.h"

#include <cstdint>
#include <span>

// Parsers of the files handed to the piv command: PEM first, then DER (requests: PEM only).
// Each throws OpenSSLException on empty or unreadable input.
X509Ptr parseCertificate(std::span<const uint8_t> data);
X509ReqPtr parseCertificateRequest(std::span<const uint8_t> data);
EvpPkeyPtr parsePrivateKey(std::span<const uint8_t> data);
EvpPkeyPtr parsePublicKey(std::span<const uint8_t> data);
