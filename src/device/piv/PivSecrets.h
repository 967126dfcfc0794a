#pragma once

#include "device/transport/ApduExchange.h"
#include "encoding/SecretBytes.h"

#include <cstring>
#include <openssl/crypto.h>

// The bytes of a zero-terminated PIN, PUK or hex management key, held where they are wiped.
// The caller has checked text for null.
inline SecretBytes secretText(const char* text) {
    return SecretBytes(text, text + std::strlen(text));
}

// Wipes a plain container that briefly holds a secret when the scope ends, on every path.
template <typename Container> class WipedOnExit {
public:
    explicit WipedOnExit(Container& held) : container(held) {}
    ~WipedOnExit() { OPENSSL_cleanse(container.data(), container.size()); }
    WipedOnExit(const WipedOnExit&) = delete;
    WipedOnExit& operator=(const WipedOnExit&) = delete;

private:
    Container& container;
};

// hexToBytes of secret text, with the plain intermediate copies wiped; throws its
// std::runtime_error for text that is not hex.
SecretBytes decodeSecretHex(const SecretBytes& hexText);

// sendCommand with secret data: the plain copy the exchange needs is wiped afterwards.
Bytes sendSecretCommand(CardChannel& channel, uint8_t ins, uint8_t p1, uint8_t p2,
                        const SecretBytes& data, int32_t timeLimitMs);
