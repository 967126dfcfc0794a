#include "crypto/CertificateInfo.h"
#include "device/piv/Piv.h"
#include "device/piv/PivSession.h"
#include "device/session/RunInSession.h"
#include "device/session/SizeProtocol.h"
#include "encoding/SecretText.h"

#include <memory>

namespace {

// Authenticates with the management key, then runs the administrative operation.
template <typename Operation>
// Reader before management key, the order of the entry points it serves.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
int32_t runAuthenticated(const char* readerName, const char* managementKey, Operation&& operation) {
    if (managementKey == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<PivSession>(readerName, [&](PivSession& session) {
        session.authenticate(secretText(managementKey));
        operation(session);
    });
}

template <typename Read>
int32_t readOut(const char* readerName, uint8_t* data, uint64_t* size, Read&& read) {
    if (size == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<PivSession>(
        readerName, [&](PivSession& session) { copyOut(read(session), data, size); });
}

} // namespace

int32_t piv_getCcc(const char* readerName, uint8_t* data, uint64_t* size) {
    return readOut(readerName, data, size, [](PivSession& session) { return session.getCcc(); });
}

int32_t piv_getChuid(const char* readerName, uint8_t* data, uint64_t* size) {
    return readOut(readerName, data, size, [](PivSession& session) { return session.getChuid(); });
}

int32_t piv_setCcc(const char* readerName, const char* managementKey) {
    return runAuthenticated(readerName, managementKey,
                            [](PivSession& session) { session.setCcc(); });
}

int32_t piv_setChuid(const char* readerName, const char* managementKey) {
    return runAuthenticated(readerName, managementKey,
                            [](PivSession& session) { session.setChuid(); });
}

int32_t piv_importCertificate(const char* readerName, const char* managementKey, uint8_t slot,
                              const uint8_t* certificateData, uint64_t certificateDataLength) {
    if (certificateData == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    const Bytes certificate(certificateData, certificateData + certificateDataLength);
    return runAuthenticated(readerName, managementKey, [&](PivSession& session) {
        session.importCertificate(slot, certificate);
    });
}

int32_t piv_readCertificate(const char* readerName, uint8_t slot, CertificateInfo** certificate) {
    if (certificate == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    std::unique_ptr<CertificateInfo> read;
    const int32_t result = runInSession<PivSession>(
        readerName, [&](PivSession& session) { read = session.readCertificate(slot); });
    if (result == QUENLIX_KEY_ERROR_NOERROR) {
        // The caller owns the record from here and gives it back to piv_freeCertificate.
        *certificate = read.release();
    }
    return result;
}

int32_t piv_deleteCertificate(const char* readerName, const char* managementKey, uint8_t slot) {
    return runAuthenticated(readerName, managementKey,
                            [&](PivSession& session) { session.deleteCertificate(slot); });
}

int32_t piv_listCertificates(const char* readerName, uint8_t* slots, uint64_t* size) {
    return readOut(readerName, slots, size,
                   [](PivSession& session) { return session.listCertificates(); });
}

int32_t piv_updateKeyHistory(const char* readerName, const char* managementKey) {
    return runAuthenticated(readerName, managementKey,
                            [](PivSession& session) { session.updateKeyHistory(); });
}

void piv_freeCertificate(CertificateInfo* certificate) {
    std::unique_ptr<CertificateInfo> released(certificate);
}
