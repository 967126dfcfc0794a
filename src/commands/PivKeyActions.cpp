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

// A key of a size the card knows but not of its kind (a secp256k1 or brainpool curve, a third
// RSA prime) would be stored as a different key. Files the card path refuses anyway (unknown
// type or size, unreadable) are left to it, which reports them as it always has.
bool wouldBeStoredAsAnotherKey(const SecretBytes& keyFile) {
    std::unique_ptr<KeyInfo> key;
    try {
        key = describedKey(parsePrivateKey(keyFile));
    } catch (const OpenSSLException&) {
        return false;
    }
    const PivAlgorithm* algorithm = findPivAlgorithmOfSize(*key);
    return algorithm != nullptr && !keyFitsAlgorithm(*key, *algorithm);
}

} // namespace

bool PivCommand::policiesGiven() const {
    return app->get_option("--pin-policy")->count() > 0 ||
           app->get_option("--touch-policy")->count() > 0;
}

// The card replaces the slot's key pair at once: an output that cannot be written is found
// before, or the new public key would be lost with the old key.
int32_t PivCommand::generateKeyPair() {
    if (app->get_option("--output")->count() > 0) {
        checkWritable(outputPath);
    }
    KeyInfo* generated = nullptr;
    const auto id = static_cast<uint8_t>(algorithm);
    // Without policy options the key goes as it always has.
    const int32_t result =
        policiesGiven()
            ? piv_generateKeyPairWithPolicies(readerName.c_str(), managementKey.c_str(),
                                              slotReference(), id, static_cast<uint8_t>(pinPolicy),
                                              static_cast<uint8_t>(touchPolicy), &generated)
            : piv_generateKeyPair(readerName.c_str(), managementKey.c_str(), slotReference(), id,
                                  &generated);
    const OwnedKeyInfo publicKey(generated, piv_freeKeyInfo);
    throwOnError(result);
    // The slot's old key is gone; the new public key exists only here until it is delivered.
    const std::string pem = printPublicKey(*publicKey->key);
    keepUntilDelivered(pem);
    deliver(pem, "Successfully wrote public key to ");
    return 0;
}

int32_t PivCommand::importKey() {
    const SecretBytes keyFile = readFile(inputPath);
    if (wouldBeStoredAsAnotherKey(keyFile)) {
        return reportFailure("The card cannot hold this key: it takes RSA keys of 1024 or 2048 "
                             "bits with two primes and EC keys on the curves P-256 (prime256v1) "
                             "and P-384 (secp384r1)");
    }
    if (policiesGiven()) {
        throwOnError(piv_importPrivateKeyWithPolicies(
            readerName.c_str(), managementKey.c_str(), slotReference(), keyFile.data(),
            keyFile.size(), static_cast<uint8_t>(pinPolicy), static_cast<uint8_t>(touchPolicy)));
    } else {
        throwOnError(piv_importPrivateKey(readerName.c_str(), managementKey.c_str(),
                                          slotReference(), keyFile.data(), keyFile.size()));
    }
    std::cout << "Successfully imported private key" << std::endl;
    return 0;
}
