#pragma once

#include "encoding/Hex.h"
#include "encoding/SecretBytes.h"

#include <cstring>
#include <openssl/crypto.h>
#include <string_view>

// The bytes of a zero-terminated PIN, PUK or hex key, held where they are wiped.
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

// secretHexToBytes of secret text; throws its std::runtime_error for text that is not hex.
inline SecretBytes decodeSecretHex(const SecretBytes& hexText) {
    return secretHexToBytes(
        std::string_view(reinterpret_cast<const char*>(hexText.data()), hexText.size()));
}
