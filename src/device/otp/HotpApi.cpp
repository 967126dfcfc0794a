#include "device/otp/Hotp.h"
#include "device/otp/HotpSession.h"
#include "device/session/RunInSession.h"
#include "device/session/SizeProtocol.h"
#include "encoding/SecretText.h"

// The entry points keep the device API's C signatures: the reader first, then texts and
// numbers in the documented order, told apart by their names. The swap warning asks for
// a different API.
// NOLINTBEGIN(bugprone-easily-swappable-parameters)

int32_t hotp_getVersion(const char* readerName, char* version, size_t* length) {
    if (length == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<HotpSession>(
        readerName, [&](HotpSession& session) { copyOut(session.getVersion(), version, length); });
}

int32_t hotp_getSerialNumber(const char* readerName, uint64_t* serialNumber) {
    if (serialNumber == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<HotpSession>(
        readerName, [&](HotpSession& session) { *serialNumber = session.getSerialNumber(); });
}

int32_t hotp_changePin(const char* readerName, const char* pin, const char* newPin,
                       int32_t* remainingTries) {
    if (pin == nullptr || newPin == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<HotpSession>(readerName, [&](HotpSession& session) {
        session.verifyPin(secretText(pin), remainingTries);
        session.changePin(secretText(newPin));
    });
}

int32_t hotp_configure(const char* readerName, const char* pin, const char* keyHex,
                       uint64_t counter, uint8_t otpLength, int32_t* remainingTries) {
    if (pin == nullptr || keyHex == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<HotpSession>(readerName, [&](HotpSession& session) {
        session.verifyPin(secretText(pin), remainingTries);
        session.setKey(secretText(keyHex));
        session.setCounter(counter);
        session.setOtpLength(otpLength);
    });
}

int32_t hotp_generateCode(const char* readerName, char* code, size_t* length) {
    if (code == nullptr || length == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<HotpSession>(
        readerName, [&](HotpSession& session) { copyOut(session.generateCode(), code, length); });
}

int32_t hotp_restoreFactory(const char* readerName, const char* pin, uint8_t otpLength,
                            int32_t* remainingTries) {
    if (pin == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<HotpSession>(readerName, [&](HotpSession& session) {
        session.verifyPin(secretText(pin), remainingTries);
        session.restoreKey();
        session.restoreCounter();
        session.setOtpLength(otpLength);
    });
}

// NOLINTEND(bugprone-easily-swappable-parameters)
