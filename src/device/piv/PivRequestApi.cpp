#include "crypto/KeyInfo.h"
#include "device/piv/Piv.h"
#include "device/piv/PivSession.h"
#include "device/piv/PivTables.h"
#include "device/session/RunInSession.h"
#include "device/session/SizeProtocol.h"
#include "encoding/SecretText.h"

#include <optional>

namespace {

// The DER signature of an EC request varies in length from one signing to the next; a size
// query leaves room for the longer one.
constexpr uint64_t ecSignatureSlack = 11;

bool anyNull(std::initializer_list<const void*> pointers) {
    for (const void* pointer : pointers) {
        if (pointer == nullptr) {
            return true;
        }
    }
    return false;
}

// The names, or nothing when the list or one of its texts is missing.
std::optional<std::vector<std::string>> namesOf(const char* const* names, uint64_t count) {
    if (names == nullptr && count > 0) {
        return std::nullopt;
    }
    std::vector<std::string> all;
    for (uint64_t i = 0; i < count; ++i) {
        if (names[i] == nullptr) {
            return std::nullopt;
        }
        all.emplace_back(names[i]);
    }
    return all;
}

// Verifies the PIN, has the card sign what sign builds and hands the PEM text out by the
// size protocol.
// Reader, then PIN, as every entry point takes them.
template <typename Sign>
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
int32_t signedPemOut(const char* readerName, const char* pin, const KeyInfo& publicKey, char* out,
                     uint64_t* inOutSize, Sign sign) {
    return runInSession<PivSession>(readerName, [&](PivSession& session) {
        session.verifyPin(secretText(pin));
        const std::string pem = sign(session);
        copyOut(pem, out, inOutSize);
        if (out == nullptr && publicKey.isEC()) {
            *inOutSize += ecSignatureSlack;
        }
    });
}

} // namespace

// The entry points keep the device API's C signatures: the reader first, then texts and
// numbers in the documented order, told apart by their names. The swap warning asks for
// a different API.
// NOLINTBEGIN(bugprone-easily-swappable-parameters)

int32_t piv_createCertificateRequest(const char* readerName, const char* pin, uint8_t slot,
                                     const KeyInfo* publicKey, const char* commonName,
                                     const char* country, const char* organization,
                                     const char* organizationUnit, char* out, uint64_t* inOutSize) {
    return piv_createCertificateRequestWithNames(readerName, pin, slot, publicKey, commonName,
                                                 country, organization, organizationUnit, nullptr,
                                                 0, out, inOutSize);
}

int32_t piv_createCertificateRequestWithNames(const char* readerName, const char* pin, uint8_t slot,
                                              const KeyInfo* publicKey, const char* commonName,
                                              const char* country, const char* organization,
                                              const char* organizationUnit,
                                              const char* const* altNames, uint64_t altNameCount,
                                              char* out, uint64_t* inOutSize) {
    const std::optional<std::vector<std::string>> names = namesOf(altNames, altNameCount);
    if (anyNull({pin, inOutSize, publicKey, commonName, country, organization, organizationUnit}) ||
        !names) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    const SubjectFields subject{commonName, country, organization, organizationUnit};
    return signedPemOut(readerName, pin, *publicKey, out, inOutSize, [&](PivSession& session) {
        return session.createCertificateRequest(slot, *publicKey, subject, *names);
    });
}

int32_t piv_createSelfSignedCertificate(const char* readerName, const char* pin, uint8_t slot,
                                        const KeyInfo* publicKey, const char* commonName,
                                        const char* country, const char* organization,
                                        const char* organizationUnit, const char* const* altNames,
                                        uint64_t altNameCount, uint32_t validDays, char* out,
                                        uint64_t* inOutSize) {
    const std::optional<std::vector<std::string>> names = namesOf(altNames, altNameCount);
    if (anyNull({pin, inOutSize, publicKey, commonName, country, organization, organizationUnit}) ||
        !names || validDays < pivMinimumValidDays || validDays > pivMaximumValidDays) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    const SubjectFields subject{commonName, country, organization, organizationUnit};
    return signedPemOut(readerName, pin, *publicKey, out, inOutSize, [&](PivSession& session) {
        return session.createSelfSignedCertificate(slot, *publicKey, subject, *names, validDays);
    });
}

// NOLINTEND(bugprone-easily-swappable-parameters)
