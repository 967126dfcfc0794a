#include "crypto/KeyInfo.h"
#include "crypto/OpenSSLException.h"
#include "crypto/PemPrinting.h"
#include "device/piv/CardSigning.h"
#include "device/piv/CertificateRequest.h"
#include "device/piv/PivSession.h"
#include "device/piv/SelfSignedCertificate.h"
#include "device/transport/DeviceException.h"

#include <functional>
#include <stdexcept>

namespace {

using SignedPem = std::function<std::string(EVP_PKEY& signingKey)>;

// Runs build with a signing key whose private-key operation is the card's: the library sees
// only a failed callback when the card fails, so the card's own failure is the one reported.
std::string signedOnCard(CardChannel& channel, uint8_t slot, const KeyInfo& publicKey,
                         const SignedPem& build) {
    if (findPivKeySlot(slot) == nullptr) {
        throw std::runtime_error("PIV slot is not valid.");
    }
    CardSigningContext context{channel, algorithmIdOf(publicKey), slot, HashType::Sha256};
    try {
        // Declared in this order, so they are freed key first, then method.
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
        std::string pem = build(*signingKey);
        if (context.errorCode != 0) {
            throw DeviceException(context.errorCode, context.statusWord);
        }
        return pem;
    } catch (const OpenSSLException&) {
        if (context.errorCode != 0) {
            throw DeviceException(context.errorCode, context.statusWord);
        }
        throw;
    }
}

} // namespace

std::string PivSession::createCertificateRequest(uint8_t slot, const KeyInfo& publicKey,
                                                 const std::string& commonName,
                                                 const std::string& country,
                                                 const std::string& organization,
                                                 const std::string& organizationUnit) {
    return createCertificateRequest(
        slot, publicKey, SubjectFields{commonName, country, organization, organizationUnit}, {});
}

std::string PivSession::createCertificateRequest(uint8_t slot, const KeyInfo& publicKey,
                                                 const SubjectFields& subject,
                                                 const std::vector<std::string>& altNames) {
    return signedOnCard(channel(), slot, publicKey, [&](EVP_PKEY& signingKey) {
        const X509ReqPtr request =
            buildSignedRequest(*publicKey.key, signingKey, HashType::Sha256, subject, altNames);
        return printCertificateRequest(*request);
    });
}

std::string PivSession::createSelfSignedCertificate(uint8_t slot, const KeyInfo& publicKey,
                                                    const SubjectFields& subject,
                                                    const std::vector<std::string>& altNames,
                                                    uint32_t validDays) {
    return signedOnCard(channel(), slot, publicKey, [&](EVP_PKEY& signingKey) {
        const X509Ptr certificate = buildSelfSignedCertificate(
            *publicKey.key, signingKey, HashType::Sha256, subject, altNames, validDays);
        return printCertificate(*certificate);
    });
}
