#include "FuzzedCard.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

FuzzedCard* card = nullptr;

constexpr uint8_t pulledCard = 0xFF;

LONG establishContext(DWORD, LPCVOID, LPCVOID, LPSCARDCONTEXT context) {
    *context = 1;
    return SCARD_S_SUCCESS;
}

LONG releaseContext(SCARDCONTEXT) {
    return SCARD_S_SUCCESS;
}

LONG listReaders(SCARDCONTEXT, LPCSTR, LPSTR readers, LPDWORD length) {
    if (card->readerList.empty()) {
        return SCARD_E_NO_READERS_AVAILABLE;
    }
    // Allocated to the exact size, so that a read past the list's end is caught.
    auto* buffer = static_cast<char*>(std::malloc(card->readerList.size()));
    std::memcpy(buffer, card->readerList.data(), card->readerList.size());
    *reinterpret_cast<char**>(readers) = buffer;
    *length = static_cast<DWORD>(card->readerList.size());
    return SCARD_S_SUCCESS;
}

LONG freeMemory(SCARDCONTEXT, LPCVOID memory) {
    std::free(const_cast<void*>(memory));
    return SCARD_S_SUCCESS;
}

// Connecting always works: a refused connection would only make the channel wait and retry.
LONG connect(SCARDCONTEXT, LPCSTR, DWORD, DWORD, LPSCARDHANDLE handle, LPDWORD protocol) {
    *handle = 7;
    *protocol = SCARD_PROTOCOL_T1;
    return SCARD_S_SUCCESS;
}

LONG disconnect(SCARDHANDLE, DWORD) {
    return SCARD_S_SUCCESS;
}

LONG beginTransaction(SCARDHANDLE) {
    return SCARD_S_SUCCESS;
}

LONG endTransaction(SCARDHANDLE, DWORD) {
    return SCARD_S_SUCCESS;
}

LONG status(SCARDHANDLE, LPSTR, LPDWORD, LPDWORD, LPDWORD, LPBYTE atr, LPDWORD atrLength) {
    if (card->atr.empty()) {
        return SCARD_E_NO_SMARTCARD;
    }
    if (*atrLength < card->atr.size()) {
        return SCARD_E_INSUFFICIENT_BUFFER;
    }
    std::copy(card->atr.begin(), card->atr.end(), atr);
    *atrLength = static_cast<DWORD>(card->atr.size());
    return SCARD_S_SUCCESS;
}

LONG transmit(SCARDHANDLE, const SCARD_IO_REQUEST*, LPCBYTE, DWORD, SCARD_IO_REQUEST*,
              LPBYTE response, LPDWORD responseLength) {
    if (card->spent()) {
        return SCARD_W_REMOVED_CARD;
    }
    const uint8_t length = card->nextByte();
    if (length == pulledCard) {
        return SCARD_W_REMOVED_CARD;
    }
    const std::vector<uint8_t> answer = card->nextBytes(length);
    if (answer.size() > *responseLength) {
        return SCARD_E_INSUFFICIENT_BUFFER;
    }
    std::copy(answer.begin(), answer.end(), response);
    *responseLength = static_cast<DWORD>(answer.size());
    return SCARD_S_SUCCESS;
}

} // namespace

FuzzedCard::FuzzedCard(const uint8_t* bytes, size_t length)
    : data(bytes), size(length), saved(pcscApi()) {
    card = this;
    const std::vector<uint8_t> list = nextBytes(nextByte());
    readerList.assign(list.begin(), list.end());
    atr = nextBytes(nextByte());
    pcscApi() = PcscApi{
        establishContext, releaseContext,   listReaders,    freeMemory, connect,
        disconnect,       beginTransaction, endTransaction, status,     transmit,
    };
}

FuzzedCard::~FuzzedCard() {
    pcscApi() = saved;
    card = nullptr;
}

uint8_t FuzzedCard::nextByte() {
    return spent() ? 0 : data[position++];
}

std::vector<uint8_t> FuzzedCard::nextBytes(size_t count) {
    const size_t taken = std::min(count, size - position);
    std::vector<uint8_t> bytes(data + position, data + position + taken);
    position += taken;
    return bytes;
}
