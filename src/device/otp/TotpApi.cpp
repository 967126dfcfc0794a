#include "device/otp/Totp.h"
#include "device/otp/TotpSession.h"
#include "device/session/RunInSession.h"
#include "device/session/SizeProtocol.h"
#include "encoding/SecretText.h"

#include <stdexcept>

// The entry points keep the device API's C signatures: the reader first, then texts and
// numbers in the documented order, told apart by their names. The swap warning asks for
// a different API.
// NOLINTBEGIN(bugprone-easily-swappable-parameters)

int32_t totp_getVersion(const char* readerName, char* version, size_t* length) {
    if (length == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<TotpSession>(
        readerName, [&](TotpSession& session) { copyOut(session.getVersion(), version, length); });
}

int32_t totp_getMaxSlots(const char* readerName, int32_t* maxSlots) {
    if (maxSlots == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<TotpSession>(readerName, [&](TotpSession& session) {
        *maxSlots = static_cast<int32_t>(session.getMaxSlots());
    });
}

int32_t totp_getPinInfo(const char* readerName, int32_t* maxTries, int32_t* triesLeft,
                        int32_t* pinSet) {
    if (maxTries == nullptr || triesLeft == nullptr || pinSet == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<TotpSession>(readerName, [&](TotpSession& session) {
        const TotpPinInfo info = session.getPinInfo();
        *maxTries = info.maxTries;
        *triesLeft = info.triesLeft;
        *pinSet = info.pinSet ? 1 : 0;
    });
}

int32_t totp_setPin(const char* readerName, const char* pin, const char* newPin, bool verify,
                    int32_t* remainingTries) {
    if (newPin == nullptr || (verify && pin == nullptr)) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<TotpSession>(readerName, [&](TotpSession& session) {
        if (verify) {
            session.verifyPin(secretText(pin), remainingTries);
        }
        session.setPin(secretText(newPin));
    });
}

int32_t totp_listSlots(const char* readerName, uint8_t* slots, size_t* length) {
    if (length == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<TotpSession>(
        readerName, [&](TotpSession& session) { copyOut(session.listSlots(), slots, length); });
}

int32_t totp_getSlotInfo(const char* readerName, uint8_t slot, TotpSlotInfo* info) {
    if (info == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<TotpSession>(
        readerName, [&](TotpSession& session) { *info = session.getSlotInfo(slot); });
}

int32_t totp_configureSlot(const char* readerName, uint8_t* slot, uint8_t hashAlgorithm,
                           uint8_t digits, uint64_t timeOrigin, uint32_t period, const char* keyHex,
                           const char* account, const char* issuer, bool pinProtected) {
    if (slot == nullptr || keyHex == nullptr || account == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    TotpSlotSettings settings;
    try {
        // A key that is not hex is refused before the card is touched.
        settings.key = decodeSecretHex(secretText(keyHex));
    } catch (const std::runtime_error&) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    settings.pinProtected = pinProtected;
    settings.hashAlgorithm = hashAlgorithm;
    settings.digits = digits;
    settings.timeOrigin = timeOrigin;
    settings.period = period;
    settings.account = account;
    settings.issuer = issuer == nullptr ? "" : issuer;
    return runInSession<TotpSession>(
        readerName, [&](TotpSession& session) { *slot = session.configureSlot(*slot, settings); });
}

int32_t totp_clearSlot(const char* readerName, uint8_t slot) {
    return runInSession<TotpSession>(readerName,
                                     [&](TotpSession& session) { session.clearSlot(slot); });
}

int32_t totp_generateCode(const char* readerName, uint8_t slot, uint64_t currentTime,
                          const char* pin, TotpCode* code, int32_t* remainingTries) {
    if (code == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<TotpSession>(readerName, [&](TotpSession& session) {
        if (pin != nullptr) {
            session.verifyPin(secretText(pin), remainingTries);
        }
        *code = session.generateCode(slot, currentTime);
    });
}

int32_t totp_reset(const char* readerName) {
    return runInSession<TotpSession>(readerName, [](TotpSession& session) { session.reset(); });
}

int32_t totp_resetPin(const char* readerName) {
    return runInSession<TotpSession>(readerName, [](TotpSession& session) { session.resetPin(); });
}

// NOLINTEND(bugprone-easily-swappable-parameters)
