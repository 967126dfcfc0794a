#include "device/transport/CardChannel.h"

#include "device/transport/PcscApi.h"
#include "device/transport/PcscFailure.h"

#include <mutex>
#include <string>

namespace {

constexpr size_t maxCommandLength = 512;
constexpr DWORD atrBufferSize = 32;

// Guards the one connection: taken by ci_connect, given back by ci_disconnect.
std::mutex channelMutex;
CardChannel theChannel{};
bool channelOpen = false;

bool isSharingViolation(LONG result) {
    return result == static_cast<LONG>(SCARD_E_SHARING_VIOLATION);
}

ChannelResult connectFailure(LONG result) {
    return isSharingViolation(result) ? CI_SHARING_VIOLATION : CI_CONNECT_FAILED;
}

// The reader name before its last "/", or the whole name when it holds none.
std::string readerWithoutSuffix(const char* readerName) {
    std::string name(readerName);
    size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(0, slash);
}

ChannelResult openCard(const char* readerName) {
    const PcscApi& pcsc = pcscApi();
    SCARDCONTEXT context = 0;
    LONG result = pcsc.establishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context);
    if (result != SCARD_S_SUCCESS) {
        reportPcscFailure("Failed SCardEstablishContext: ", result);
        return CI_CONNECT_FAILED;
    }
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    result = pcsc.connect(context, readerWithoutSuffix(readerName).c_str(), SCARD_SHARE_EXCLUSIVE,
                          SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card, &protocol);
    if (result != SCARD_S_SUCCESS) {
        reportPcscFailure("Failed SCardConnect: ", result);
        pcsc.releaseContext(context);
        return connectFailure(result);
    }
    theChannel = CardChannel{context, card, protocol};
    result = pcsc.beginTransaction(card);
    if (result != SCARD_S_SUCCESS) {
        reportPcscFailure("Failed SCardBeginTransaction: ", result);
        pcsc.disconnect(card, SCARD_LEAVE_CARD);
        pcsc.releaseContext(context);
        theChannel = CardChannel{};
        return connectFailure(result);
    }
    return CI_OK;
}

} // namespace

ChannelResult ci_connect(const char* readerName, CardChannel** channel) {
    if (readerName == nullptr || channel == nullptr) {
        return CI_INVALID_ARGUMENT;
    }
    channelMutex.lock();
    ChannelResult result = openCard(readerName);
    if (result != CI_OK) {
        channelMutex.unlock();
        return result;
    }
    channelOpen = true;
    *channel = &theChannel;
    return CI_OK;
}

ChannelResult ci_disconnect(CardChannel* channel) {
    // A channel that is not open holds no mutex to give back.
    if (channel == nullptr || channel != &theChannel || !channelOpen) {
        return CI_INVALID_ARGUMENT;
    }
    const PcscApi& pcsc = pcscApi();
    LONG result = pcsc.endTransaction(channel->card, SCARD_LEAVE_CARD);
    if (result != SCARD_S_SUCCESS) {
        reportPcscFailure("Failed SCardEndTransaction: ", result);
    }
    result = pcsc.disconnect(channel->card, SCARD_LEAVE_CARD);
    if (result != SCARD_S_SUCCESS) {
        reportPcscFailure("Failed SCardDisconnect: ", result);
    }
    result = pcsc.releaseContext(channel->context);
    if (result != SCARD_S_SUCCESS) {
        reportPcscFailure("Failed SCardReleaseContext: ", result);
    }
    theChannel = CardChannel{};
    channelOpen = false;
    channelMutex.unlock();
    return CI_OK;
}

ChannelResult ci_getAtr(CardChannel* channel, uint8_t* buffer, size_t* length) {
    if (channel == nullptr || length == nullptr) {
        return CI_INVALID_ARGUMENT;
    }
    uint8_t internal[atrBufferSize];
    uint8_t* target = buffer != nullptr ? buffer : internal;
    DWORD atrLength = buffer != nullptr ? static_cast<DWORD>(*length) : atrBufferSize;
    LONG result =
        pcscApi().status(channel->card, nullptr, nullptr, nullptr, nullptr, target, &atrLength);
    if (result != SCARD_S_SUCCESS) {
        reportPcscFailure("Failed SCardStatus: ", result);
        return CI_PCSC_FAILED;
    }
    *length = atrLength;
    return CI_OK;
}

ChannelResult ci_transmit(CardChannel* channel, const uint8_t* command, size_t commandLength,
                          uint8_t* response, size_t* responseLength) {
    if (channel == nullptr || command == nullptr || response == nullptr ||
        responseLength == nullptr || commandLength < 1 || commandLength > maxCommandLength) {
        return CI_INVALID_ARGUMENT;
    }
    const SCARD_IO_REQUEST* sendPci =
        channel->activeProtocol == SCARD_PROTOCOL_T1 ? SCARD_PCI_T1 : SCARD_PCI_T0;
    DWORD received = static_cast<DWORD>(*responseLength);
    LONG result =
        pcscApi().transmit(channel->card, sendPci, command, static_cast<DWORD>(commandLength),
                           nullptr, response, &received);
    if (result != SCARD_S_SUCCESS) {
        reportPcscFailure("Failed SCardTransmit: ", result);
        return CI_PCSC_FAILED;
    }
    *responseLength = received;
    return CI_OK;
}
