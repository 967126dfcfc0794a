#include "app/KeyManagementError.h"
#include "commands/PivCertificateEntry.h"
#include "commands/PivCommand.h"
#include "commands/PivObjectText.h"
#include "crypto/Files.h"
#include "device/piv/Piv.h"
#include "device/transport/QuenlixKeyError.h"

#include <iostream>

namespace {

// A card without a Key History object keeps no history of its retired slots; the certificate
// change itself has been made and is not reported as a failure.
void updateKeyHistory(const std::string& readerName, const std::string& managementKey) {
    const int32_t result = piv_updateKeyHistory(readerName.c_str(), managementKey.c_str());
    if (result != QUENLIX_KEY_ERROR_NOT_FOUND) {
        throwOnError(result);
    }
}

} // namespace

int32_t PivCommand::listCertificates() {
    const std::vector<CertificateListEntry> entries = listCertificateEntries(readerName);
    if (entries.empty()) {
        std::cout << "No certificates found" << std::endl;
    }
    for (const CertificateListEntry& entry : entries) {
        std::cout << entryText(entry) << std::flush;
    }
    return 0;
}

int32_t PivCommand::importCertificate() {
    const SecretBytes certificateFile = readFile(inputPath);
    throwOnError(piv_importCertificate(readerName.c_str(), managementKey.c_str(), slotReference(),
                                       certificateFile.data(), certificateFile.size()));
    updateKeyHistory(readerName, managementKey);
    std::cout << "Successfully imported certificate" << std::endl;
    return 0;
}

int32_t PivCommand::readCertificate() {
    const CertificateListEntry entry = readCertificateEntry(readerName, slotReference());
    deliver(entry.pem, "Successfully exported certificate to ");
    return 0;
}

int32_t PivCommand::deleteCertificate() {
    throwOnError(piv_deleteCertificate(readerName.c_str(), managementKey.c_str(), slotReference()));
    updateKeyHistory(readerName, managementKey);
    std::cout << "Successfully deleted certificate" << std::endl;
    return 0;
}

int32_t PivCommand::setCcc() {
    throwOnError(piv_setCcc(readerName.c_str(), managementKey.c_str()));
    const std::vector<uint8_t> ccc = readPivObject(readerName, piv_getCcc);
    std::cout << "Successfully set card capability container to " << hexText(ccc) << std::endl;
    return 0;
}

int32_t PivCommand::setChuid() {
    throwOnError(piv_setChuid(readerName.c_str(), managementKey.c_str()));
    const std::vector<uint8_t> chuid = readPivObject(readerName, piv_getChuid);
    std::cout << "Successfully set card holder unique identifier to " << hexText(chuid)
              << std::endl;
    return 0;
}
