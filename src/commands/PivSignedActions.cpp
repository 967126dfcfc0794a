#include "app/KeyManagementError.h"
#include "app/Output.h"
#include "commands/PivCommand.h"
#include "crypto/Files.h"
#include "crypto/KeyInfo.h"
#include "crypto/ObjectParsing.h"
#include "crypto/PemPrinting.h"
#include "crypto/SignatureChecks.h"
#include "device/piv/Piv.h"
#include "device/transport/QuenlixKeyError.h"

#include <functional>
#include <stdexcept>

namespace {

using SignOnCard = std::function<int32_t(char* out, uint64_t* size)>;

// The card signs once to report the size and once to hand the text out; an EC signature may
// come out shorter the second time, so the second size is the one kept.
std::string textSignedOnCard(const SignOnCard& sign) {
    uint64_t size = 0;
    throwOnError(sign(nullptr, &size));
    std::string pem(size, '\0');
    throwOnError(sign(pem.data(), &size));
    pem.resize(size);
    return pem;
}

std::span<const uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::vector<const char*> textsOf(const std::vector<std::string>& names) {
    std::vector<const char*> texts;
    for (const std::string& name : names) {
        texts.push_back(name.c_str());
    }
    return texts;
}

} // namespace

// What the card signs for the public key in --input, with the subject alternative names.
std::string PivCommand::signedForInputKey(const SignForKey& sign) {
    const SecretBytes publicKeyFile = readFile(inputPath);
    const std::unique_ptr<KeyInfo> publicKey = describedKey(parsePublicKey(publicKeyFile));
    const std::vector<const char*> names = textsOf(subjectAltNames);
    return textSignedOnCard(
        [&](char* out, uint64_t* size) { return sign(*publicKey, names, out, size); });
}

int32_t PivCommand::requestCertificate() {
    return withTheSlotsPrivateKey([&] {
        const X509ReqPtr request = parseCertificateRequest(
            bytesOf(signedForInputKey([&](const KeyInfo& key, const std::vector<const char*>& names,
                                          char* out, uint64_t* size) {
                // Without names the request is made as it always was.
                if (names.empty()) {
                    return piv_createCertificateRequest(readerName.c_str(), pin.c_str(),
                                                        slotReference(), &key, commonName.c_str(),
                                                        country.c_str(), organizationName.c_str(),
                                                        organizationUnit.c_str(), out, size);
                }
                return piv_createCertificateRequestWithNames(
                    readerName.c_str(), pin.c_str(), slotReference(), &key, commonName.c_str(),
                    country.c_str(), organizationName.c_str(), organizationUnit.c_str(),
                    names.data(), names.size(), out, size);
            })));
        // The card signs with the slot's key whatever public key the request names.
        if (!requestSignatureVerifies(*request)) {
            throw notTheSlotsKey();
        }
        deliver(printCertificateRequest(*request),
                "Successfully wrote certificate signing request to ");
    });
}

int32_t PivCommand::generateCertificate() {
    return withTheSlotsPrivateKey([&] {
        const X509Ptr certificate = parseCertificate(
            bytesOf(signedForInputKey([&](const KeyInfo& key, const std::vector<const char*>& names,
                                          char* out, uint64_t* size) {
                return piv_createSelfSignedCertificate(
                    readerName.c_str(), pin.c_str(), slotReference(), &key, commonName.c_str(),
                    country.c_str(), organizationName.c_str(), organizationUnit.c_str(),
                    names.data(), names.size(), static_cast<uint32_t>(validDays), out, size);
            })));
        if (!certificateSignatureVerifies(*certificate)) {
            throw notTheSlotsKey();
        }
        deliver(printCertificate(*certificate), "Successfully wrote certificate to ");
    });
}

int32_t PivCommand::withTheSlotsPrivateKey(const std::function<void()>& sign) {
    try {
        sign();
    } catch (const KeyManagementError& error) {
        if (error.code != QUENLIX_KEY_ERROR_ILLEGAL_STATE) {
            throw;
        }
        return reportFailure(
            "No private key found. Generate a new key pair or import the private key");
    }
    return 0;
}

std::runtime_error PivCommand::notTheSlotsKey() const {
    return std::runtime_error("The public key in " + inputPath +
                              " does not belong to the key in slot " + slot);
}
