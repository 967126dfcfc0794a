#include "app/KeyManagementError.h"
#include "commands/PivCertificateEntry.h"
#include "commands/PivCommand.h"
#include "commands/PivObjectText.h"
#include "crypto/Files.h"
#include "device/piv/Piv.h"

#include <iostream>

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
    throwOnError(piv_updateKeyHistory(readerName.c_str(), managementKey.c_str()));
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
    throwOnError(piv_updateKeyHistory(readerName.c_str(), managementKey.c_str()));
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
