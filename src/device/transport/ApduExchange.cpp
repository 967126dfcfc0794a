#include "device/transport/ApduExchange.h"

#include "device/transport/DeviceException.h"

#include <algorithm>
#include <chrono>
#include <span>

namespace {

constexpr size_t maxApduData = 255;
constexpr size_t responseBufferSize = 65535;
constexpr size_t statusWordSize = 2;
constexpr uint8_t chainingClass = 0x10;
constexpr uint8_t moreDataAvailable = 0x61;
constexpr uint16_t success = 0x9000;

using Clock = std::chrono::steady_clock;

// The command may carry a PIN or key, so it is built where it is wiped.
// CLA, INS, P1, P2: the order the header is sent in.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
SecretBytes buildApdu(uint8_t cla, uint8_t ins, uint8_t p1, uint8_t p2,
                      std::span<const uint8_t> data) {
    // Sized once and filled in place: growing it makes GCC 12 at -O3 warn about a write past
    // the buffer that cannot happen.
    const size_t header = 4;
    SecretBytes apdu(header + (data.empty() ? 0 : 1 + data.size()));
    apdu[0] = cla;
    apdu[1] = ins;
    apdu[2] = p1;
    apdu[3] = p2;
    if (!data.empty()) {
        apdu[header] = static_cast<uint8_t>(data.size());
        std::copy(data.begin(), data.end(), apdu.begin() + header + 1);
    }
    return apdu;
}

// Collects the response into one fixed buffer, part after part; the buffer is wiped on release
// in case an answer carries something secret.
class ResponseCollector {
public:
    explicit ResponseCollector(CardChannel& openChannel)
        : channel(openChannel), buffer(responseBufferSize) {}

    void transmit(std::span<const uint8_t> apdu) {
        size_t capacity = buffer.size() - received;
        size_t length = capacity;
        ChannelResult result =
            ci_transmit(&channel, apdu.data(), apdu.size(), buffer.data() + received, &length);
        if (result != CI_OK) {
            throw DeviceException(QUENLIX_KEY_ERROR_IO, result);
        }
        if (length < statusWordSize || length > capacity) {
            throw DeviceException(QUENLIX_KEY_ERROR_INVALID_RESPONSE, 0);
        }
        received += length;
    }

    uint8_t sw1() const { return buffer[received - 2]; }
    uint16_t statusWord() const {
        return static_cast<uint16_t>(buffer[received - 2] << 8 | buffer[received - 1]);
    }

    // Drops the status word of the last part; the next part lands right behind the data.
    size_t dropStatusWord() {
        received -= statusWordSize;
        return received;
    }

    size_t dataLength() const { return received - statusWordSize; }

    Bytes data() const {
        return Bytes(buffer.begin(), buffer.begin() + static_cast<long>(dataLength()));
    }

private:
    CardChannel& channel;
    SecretBytes buffer;
    size_t received = 0;
};

bool timeLimitPassed(Clock::time_point start, int32_t timeLimitMs) {
    return timeLimitMs != noTimeLimit &&
           start + std::chrono::milliseconds(timeLimitMs) < Clock::now();
}

Bytes exchangeApdu(CardChannel& channel, uint8_t cla, uint8_t ins, uint8_t p1, uint8_t p2,
                   std::span<const uint8_t> data, int32_t timeLimitMs) {
    if (data.size() > maxApduData) {
        throw DeviceException(QUENLIX_KEY_ERROR_INPUT_TOO_LARGE, 0);
    }
    const Bytes getResponse{0x00, 0xC0, 0x00, 0x00};
    ResponseCollector response(channel);
    Clock::time_point start = Clock::now();
    response.transmit(buildApdu(cla, ins, p1, p2, data));
    while (response.sw1() == moreDataAvailable) {
        size_t dataBefore = response.dropStatusWord();
        if (timeLimitPassed(start, timeLimitMs)) {
            throw DeviceException(QUENLIX_KEY_ERROR_TIMEOUT, 0);
        }
        response.transmit(getResponse);
        // A card that keeps announcing data without sending any would loop forever.
        if (response.sw1() == moreDataAvailable && response.dataLength() == dataBefore) {
            throw DeviceException(QUENLIX_KEY_ERROR_INVALID_RESPONSE, 0);
        }
    }
    if (response.statusWord() != success) {
        throw DeviceException(statusWordToError(response.statusWord()), response.statusWord());
    }
    return response.data();
}

// The parts are views into data: no plain copy of a secret is made.
Bytes exchangeCommand(CardChannel& channel, uint8_t ins, uint8_t p1, uint8_t p2,
                      std::span<const uint8_t> data, int32_t timeLimitMs) {
    Bytes result;
    while (data.size() > maxApduData) {
        Bytes partResponse =
            exchangeApdu(channel, chainingClass, ins, p1, p2, data.first(maxApduData), noTimeLimit);
        result.insert(result.end(), partResponse.begin(), partResponse.end());
        data = data.subspan(maxApduData);
    }
    Bytes lastResponse = exchangeApdu(channel, 0x00, ins, p1, p2, data, timeLimitMs);
    result.insert(result.end(), lastResponse.begin(), lastResponse.end());
    return result;
}

} // namespace

Bytes sendApdu(CardChannel& channel, uint8_t cla, uint8_t ins, uint8_t p1, uint8_t p2,
               const Bytes& data, int32_t timeLimitMs) {
    return exchangeApdu(channel, cla, ins, p1, p2, data, timeLimitMs);
}

Bytes sendCommand(CardChannel& channel, uint8_t ins, uint8_t p1, uint8_t p2, const Bytes& data,
                  int32_t timeLimitMs) {
    return exchangeCommand(channel, ins, p1, p2, data, timeLimitMs);
}

Bytes sendSecretCommand(CardChannel& channel, uint8_t ins, uint8_t p1, uint8_t p2,
                        const SecretBytes& data, int32_t timeLimitMs) {
    return exchangeCommand(channel, ins, p1, p2, data, timeLimitMs);
}

QuenlixKeyError statusWordToError(uint16_t statusWord) {
    if (statusWord == 0x63C0) {
        return QUENLIX_KEY_ERROR_BLOCKED;
    }
    if (statusWord >= 0x63C1 && statusWord <= 0x63CF) {
        return QUENLIX_KEY_ERROR_AUTH;
    }
    switch (statusWord) {
    case 0x6982:
    case 0x6A86:
        return QUENLIX_KEY_ERROR_ILLEGAL_STATE;
    case 0x6983:
        return QUENLIX_KEY_ERROR_BLOCKED;
    case 0x6A80:
        return QUENLIX_KEY_ERROR_AUTH;
    case 0x6A82:
    case 0x6A88:
        return QUENLIX_KEY_ERROR_NOT_FOUND;
    case 0x6D00:
        return QUENLIX_KEY_ERROR_UNEXPECTED_SMARTCARD_STATE;
    case 0x9802:
        return QUENLIX_KEY_ERROR_UNDEFINED_AUTH_CREDENTIAL;
    default:
        return QUENLIX_KEY_ERROR_IO;
    }
}
