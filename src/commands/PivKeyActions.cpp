#include "app/KeyManagementError.h"
#include "app/Output.h"
#include "commands/PivCommand.h"
#include "crypto/Files.h"
#include "crypto/KeyInfo.h"
#include "crypto/ObjectParsing.h"
#include "crypto/OpenSSLException.h"
#include "crypto/PemPrinting.h"
#include "crypto/SignatureChecks.h"
#include "device/piv/Piv.h"
#include "device/piv/PivTables.h"
#include "device/transport/QuenlixKeyError.h"

#include <iostream>
#include <memory>
#include <stdexcept>

namespace {

using OwnedKeyInfo = std::unique_ptr<KeyInfo, decltype(&piv_freeKeyInfo)>;

std::unique_ptr<KeyInfo> describeKey(EvpPkeyPtr key) {
    return isRSAKey(*key) ? makeRSAKeyInfo(std::move(key)) : makeECKeyInfo(std::move(key));
}

// A key of a size the card knows but not of its kind (a secp256k1 or brainpool curve, a third
// RSA prime) would be stored as a different key. Files the card path refuses anyway (unknown
// type or size, unreadable) are left to it, which reports them as it always has.
bool wouldBeStoredAsAnotherKey(const SecretBytes& keyFile) {
    std::unique_ptr<KeyInfo> key;
    try {
        key = describeKey(parsePrivateKey(keyFile));
    } catch (const OpenSSLException&) {
        return false;
    }
    const PivAlgorithm* algorithm = findPivAlgorithmOfSize(*key);
    return algorithm != nullptr && !keyFitsAlgorithm(*key, *algorithm);
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
    // The slot's old key is gone; the new public key exists only here until it is delivered.
    const std::string pem = printPublicKey(*publicKey->key);
    keepUntilDelivered(pem);
    deliver(pem, "Successfully wrote public key to ");
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
    const std::unique_ptr<KeyInfo> publicKey = describeKey(parsePublicKey(publicKeyFile));
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
    // The card signs with the slot's key whatever public key the request names.
    if (!requestSignatureVerifies(*request)) {
        throw std::runtime_error("The public key in " + inputPath +
                                 " does not belong to the key in slot " + slot);
    }
    return printCertificateRequest(*request);
}

int32_t PivCommand::importKey() {
    const SecretBytes keyFile = readFile(inputPath);
    if (wouldBeStoredAsAnotherKey(keyFile)) {
        return reportFailure("The card cannot hold this key: it takes RSA keys of 1024 or 2048 "
                             "bits with two primes and EC keys on the curves P-256 (prime256v1) "
                             "and P-384 (secp384r1)");
    }
    throwOnError(piv_importPrivateKey(readerName.c_str(), managementKey.c_str(), slotReference(),
                                      keyFile.data(), keyFile.size()));
    std::cout << "Successfully imported private key" << std::endl;
    return 0;
}
