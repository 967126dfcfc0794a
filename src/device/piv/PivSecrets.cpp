#include "device/piv/PivSecrets.h"

#include "encoding/Hex.h"

#include <string>

SecretBytes decodeSecretHex(const SecretBytes& hexText) {
    std::string text(hexText.begin(), hexText.end());
    const WipedOnExit wipeText(text);
    Bytes decoded = hexToBytes(text);
    const WipedOnExit wipeDecoded(decoded);
    return SecretBytes(decoded.begin(), decoded.end());
}

Bytes sendSecretCommand(CardChannel& channel, uint8_t ins, uint8_t p1, uint8_t p2,
                        const SecretBytes& data, int32_t timeLimitMs) {
    Bytes plain(data.begin(), data.end());
    const WipedOnExit wipePlain(plain);
    return sendCommand(channel, ins, p1, p2, plain, timeLimitMs);
}
