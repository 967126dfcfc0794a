#include "app/KeyManagementError.h"
#include "app/Output.h"
#include "commands/PivCommand.h"
#include "crypto/Files.h"
#include "crypto/KeyInfo.h"
#include "crypto/ObjectParsing.h"
#include "crypto/PemPrinting.h"
#include "device/piv/Piv.h"
#include "device/transport/QuenlixKeyError.h"

#include <iostream>
#include <memory>

namespace {

using OwnedKeyInfo = std::unique_ptr<KeyInfo, decltype(&piv_freeKeyInfo)>;

std::unique_ptr<KeyInfo> describePublicKey(std::span<const uint8_t> file) {
    EvpPkeyPtr key = parsePublicKey(file);
    return isRSAKey(*key) ? makeRSAKeyInfo(std::move(key)) : makeECKeyInfo(std::move(key));
}

} // namespace

// The card replaces the slot's key pair at once: an output that cannot be written is found
// before, or the new public key would be lost with the old key.
int32_t PivCommand::generateKeyPair() {
    if (app->get_option("--output")->count() > 0) {
        checkWritable(outputPath);
    }
    KeyInfo* generated = nullptr;
    const int32_t result =
        piv_generateKeyPair(readerName.c_str(), managementKey.c_str(), slotReference(),
                            static_cast<uint8_t>(algorithm), &generated);
    const OwnedKeyInfo publicKey(generated, piv_freeKeyInfo);
    throwOnError(result);
    deliver(printPublicKey(*publicKey->key), "Successfully wrote public key to ");
    return 0;
}

int32_t PivCommand::requestCertificate() {
    const SecretBytes publicKeyFile = readFile(inputPath);
    try {
        deliver(certificateRequestText(publicKeyFile),
                "Successfully wrote certificate signing request to ");
    } catch (const KeyManagementError& error) {
        if (error.code != QUENLIX_KEY_ERROR_ILLEGAL_STATE) {
            throw;
        }
        return reportFailure(
            "No private key found. Generate a new key pair or import the private key");
    }
    return 0;
}

// The card signs the request once to report its size and once to hand it out; an EC
// signature may come out shorter the second time, so the second size is the one kept.
std::string PivCommand::certificateRequestText(std::span<const uint8_t> publicKeyFile) {
    const std::unique_ptr<KeyInfo> publicKey = describePublicKey(publicKeyFile);
    const auto create = [&](char* out, uint64_t* size) {
        return piv_createCertificateRequest(
            readerName.c_str(), pin.c_str(), slotReference(), publicKey.get(), commonName.c_str(),
            country.c_str(), organizationName.c_str(), organizationUnit.c_str(), out, size);
    };
    uint64_t size = 0;
    throwOnError(create(nullptr, &size));
    std::string pem(size, '\0');
    throwOnError(create(pem.data(), &size));
    pem.resize(size);
    const X509ReqPtr request =
        parseCertificateRequest({reinterpret_cast<const uint8_t*>(pem.data()), pem.size()});
    return printCertificateRequest(*request);
}

int32_t PivCommand::importKey() {
    const SecretBytes keyFile = readFile(inputPath);
    throwOnError(piv_importPrivateKey(readerName.c_str(), managementKey.c_str(), slotReference(),
                                      keyFile.data(), keyFile.size()));
    std::cout << "Successfully imported private key" << std::endl;
    return 0;
}
