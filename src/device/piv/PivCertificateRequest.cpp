#include "crypto/KeyInfo.h"
#include "crypto/OpenSSLException.h"
#include "crypto/PemPrinting.h"
#include "device/piv/CardSigning.h"
#include "device/piv/CertificateRequest.h"
#include "device/piv/PivSession.h"
#include "device/transport/DeviceException.h"

#include <stdexcept>

namespace {

std::string signedRequestPem(CardSigningContext& context, const KeyInfo& publicKey,
                             const SubjectFields& subject) {
    // Declared in this order, so they are freed request first, then key, then method.
    RsaMethodPtr rsaMethod;
    EcKeyMethodPtr ecMethod;
    EvpPkeyPtr signingKey;
    if (publicKey.isRSA()) {
        rsaMethod = makeCardRSAMethod(context);
        signingKey = makeCardRSAKey(*publicKey.key, *rsaMethod);
    } else {
        ecMethod = makeCardECKeyMethod();
        signingKey = makeCardECKey(*publicKey.key, context, *ecMethod);
    }
    const X509ReqPtr request =
        buildSignedRequest(*publicKey.key, *signingKey, context.hashType, subject);
    return printCertificateRequest(*request);
}

} // namespace

std::string PivSession::createCertificateRequest(uint8_t slot, const KeyInfo& publicKey,
                                                 const std::string& commonName,
                                                 const std::string& country,
                                                 const std::string& organization,
                                                 const std::string& organizationUnit) {
    if (findPivKeySlot(slot) == nullptr) {
        throw std::runtime_error("PIV slot is not valid.");
    }
    CardSigningContext context{channel(), algorithmIdOf(publicKey), slot, HashType::Sha256};
    const SubjectFields subject{commonName, country, organization, organizationUnit};
    try {
        std::string pem = signedRequestPem(context, publicKey, subject);
        if (context.errorCode != 0) {
            throw DeviceException(context.errorCode, context.statusWord);
        }
        return pem;
    } catch (const OpenSSLException&) {
        // The library only saw a failed callback; the card's own failure is the one to report.
        if (context.errorCode != 0) {
            throw DeviceException(context.errorCode, context.statusWord);
        }
        throw;
    }
}
