#include "crypto/KeyInfo.h"
#include "device/piv/Piv.h"
#include "device/piv/PivSession.h"
#include "device/session/RunInSession.h"
#include "device/session/SizeProtocol.h"
#include "encoding/SecretText.h"

namespace {

// The DER signature of an EC request varies in length from one signing to the next; a size
// query leaves room for the longer one.
constexpr uint64_t ecSignatureSlack = 11;

} // namespace

// The entry points keep the device API's C signatures: the reader first, then texts and
// numbers in the documented order, told apart by their names. The swap warning asks for
// a different API.
// NOLINTBEGIN(bugprone-easily-swappable-parameters)

int32_t piv_createCertificateRequest(const char* readerName, const char* pin, uint8_t slot,
                                     const KeyInfo* publicKey, const char* commonName,
                                     const char* country, const char* organization,
                                     const char* organizationUnit, char* out, uint64_t* inOutSize) {
    if (pin == nullptr || inOutSize == nullptr || publicKey == nullptr || commonName == nullptr ||
        country == nullptr || organization == nullptr || organizationUnit == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    return runInSession<PivSession>(readerName, [&](PivSession& session) {
        session.verifyPin(secretText(pin));
        const std::string pem = session.createCertificateRequest(
            slot, *publicKey, commonName, country, organization, organizationUnit);
        copyOut(pem, out, inOutSize);
        if (out == nullptr && publicKey->isEC()) {
            *inOutSize += ecSignatureSlack;
        }
    });
}

// NOLINTEND(bugprone-easily-swappable-parameters)
