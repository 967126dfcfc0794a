#include "device/otp/Hotp.h"
#include "device/otp/HotpSession.h"
#include "device/session/RunInSession.h"
#include "device/session/SizeProtocol.h"

#include <cstring>

namespace {

Bytes pinBytes(const char* pin) {
    return Bytes(pin, pin + std::strlen(pin));
}

} // namespace

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
        session.verifyPin(pinBytes(pin), remainingTries);
        session.changePin(pinBytes(newPin));
    });
}

int32_t hotp_configure(const char* readerName, const char* pin, const char* keyHex,
                       uint64_t counter, uint8_t otpLength, int32_t* remainingTries) {
    if (pin == nullptr || keyHex == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<HotpSession>(readerName, [&](HotpSession& session) {
        session.verifyPin(pinBytes(pin), remainingTries);
        session.setKey(keyHex);
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
        session.verifyPin(pinBytes(pin), remainingTries);
        session.restoreKey();
        session.restoreCounter();
        session.setOtpLength(otpLength);
    });
}
