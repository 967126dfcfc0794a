#include "device/transport/ReaderListing.h"

#include "device/transport/PcscApi.h"
#include "device/transport/PcscFailure.h"

#include <cstdlib>
#include <cstring>

namespace {

ChannelResult copyReaderList(const char* multiString, DWORD length, char** readers) {
    // Two spare zeros: a list whose last name PC/SC left unterminated still ends that name
    // and is followed by the empty name that ends the list.
    auto* copy = static_cast<char*>(std::calloc(length + 2, 1));
    if (copy == nullptr) {
        return CI_NO_MEMORY;
    }
    std::memcpy(copy, multiString, length);
    *readers = copy;
    return CI_OK;
}

} // namespace

ChannelResult ci_listReaders(char** readers) {
    if (readers == nullptr) {
        return CI_INVALID_ARGUMENT;
    }
    const PcscApi& pcsc = pcscApi();
    SCARDCONTEXT context = 0;
    LONG result = pcsc.establishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context);
    if (result != SCARD_S_SUCCESS) {
        reportPcscFailure("Failed SCardEstablishContext in ci_listReaders: ", result);
        return CI_PCSC_FAILED;
    }
    char* multiString = nullptr;
    DWORD length = SCARD_AUTOALLOCATE;
    result = pcsc.listReaders(context, nullptr, reinterpret_cast<LPSTR>(&multiString), &length);
    if (result == static_cast<LONG>(SCARD_E_NO_READERS_AVAILABLE)) {
        notePcscResult(result);
        pcsc.releaseContext(context);
        *readers = nullptr;
        return CI_OK;
    }
    if (result != SCARD_S_SUCCESS) {
        reportPcscFailure("Failed SCardListReaders: ", result);
        pcsc.releaseContext(context);
        return CI_PCSC_FAILED;
    }
    ChannelResult copied = copyReaderList(multiString, length, readers);
    pcsc.freeMemory(context, multiString);
    pcsc.releaseContext(context);
    return copied;
}
