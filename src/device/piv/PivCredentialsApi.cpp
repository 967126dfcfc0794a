#include "device/piv/Piv.h"
#include "device/piv/PivSession.h"
#include "device/session/RunInSession.h"
#include "device/session/SizeProtocol.h"
#include "encoding/SecretText.h"

namespace {

int32_t getRetries(const char* readerName, bool puk, int32_t* totalRetries,
                   int32_t* remainingRetries, int32_t* isDefault) {
    if (totalRetries == nullptr || remainingRetries == nullptr || isDefault == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<PivSession>(readerName, [&](PivSession& session) {
        const PivRetryInfo info = puk ? session.getPukRetries() : session.getPinRetries();
        *totalRetries = info.totalRetries;
        *remainingRetries = info.remainingRetries;
        *isDefault = info.isDefault;
    });
}

} // namespace

// The entry points keep the device API's C signatures: the reader first, then texts and
// numbers in the documented order, told apart by their names. The swap warning asks for
// a different API.
// NOLINTBEGIN(bugprone-easily-swappable-parameters)

int32_t piv_getVersion(const char* readerName, char* version, uint64_t* size) {
    if (size == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<PivSession>(
        readerName, [&](PivSession& session) { copyOut(session.getVersion(), version, size); });
}

int32_t piv_getSerialNumber(const char* readerName, uint64_t* serialNumber) {
    if (serialNumber == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<PivSession>(
        readerName, [&](PivSession& session) { *serialNumber = session.getSerialNumber(); });
}

int32_t piv_getPinRetries(const char* readerName, int32_t* totalRetries, int32_t* remainingRetries,
                          int32_t* isDefault) {
    return getRetries(readerName, false, totalRetries, remainingRetries, isDefault);
}

int32_t piv_getPukRetries(const char* readerName, int32_t* totalRetries, int32_t* remainingRetries,
                          int32_t* isDefault) {
    return getRetries(readerName, true, totalRetries, remainingRetries, isDefault);
}

int32_t piv_changePin(const char* readerName, const char* pin, const char* newPin) {
    if (pin == nullptr || newPin == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<PivSession>(readerName, [&](PivSession& session) {
        session.changePin(secretText(pin), secretText(newPin));
    });
}

int32_t piv_changePuk(const char* readerName, const char* puk, const char* newPuk) {
    if (puk == nullptr || newPuk == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<PivSession>(readerName, [&](PivSession& session) {
        session.changePuk(secretText(puk), secretText(newPuk));
    });
}

int32_t piv_unblockPin(const char* readerName, const char* puk, const char* newPin) {
    if (puk == nullptr || newPin == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<PivSession>(readerName, [&](PivSession& session) {
        session.unblockPin(secretText(puk), secretText(newPin));
    });
}

int32_t piv_setManagementKey(const char* readerName, const char* managementKey,
                             const char* newManagementKey) {
    if (managementKey == nullptr || newManagementKey == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<PivSession>(readerName, [&](PivSession& session) {
        session.authenticate(secretText(managementKey));
        session.setManagementKey(secretText(newManagementKey));
    });
}

int32_t piv_configureRetries(const char* readerName, const char* managementKey, const char* pin,
                             uint32_t pinRetries, uint32_t pukRetries) {
    if (managementKey == nullptr || pin == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<PivSession>(readerName, [&](PivSession& session) {
        session.authenticate(secretText(managementKey));
        session.verifyPin(secretText(pin));
        session.setRetries(pinRetries, pukRetries);
    });
}

int32_t piv_reset(const char* readerName) {
    return runInSession<PivSession>(readerName, [](PivSession& session) { session.reset(); });
}

// NOLINTEND(bugprone-easily-swappable-parameters)
