#include "device/session/KeyInfo.h"

#include "device/session/CardManagerSession.h"
#include "device/session/KeyInfoSession.h"
#include "device/session/RunInSession.h"
#include "device/session/SizeProtocol.h"

namespace {

template <typename Read>
int32_t readCardManagerText(const char* readerName, char* buffer, size_t* length, Read read) {
    if (length == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<CardManagerSession>(
        readerName, [&](CardManagerSession& session) { copyOut(read(session), buffer, length); });
}

} // namespace

int32_t key_getName(const char* readerName, char* buffer, size_t* length) {
    return readCardManagerText(readerName, buffer, length,
                               [](CardManagerSession& session) { return session.getName(); });
}

int32_t key_getVersion(const char* readerName, char* buffer, size_t* length) {
    return readCardManagerText(readerName, buffer, length,
                               [](CardManagerSession& session) { return session.getVersion(); });
}

int32_t key_getDate(const char* readerName, char* buffer, size_t* length) {
    return readCardManagerText(readerName, buffer, length,
                               [](CardManagerSession& session) { return session.getDate(); });
}

int32_t key_getSerialNumber(const char* readerName, uint64_t* serialNumber) {
    if (serialNumber == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<KeyInfoSession>(
        readerName, [&](KeyInfoSession& session) { *serialNumber = session.getSerialNumber(); });
}
