#include "commands/PivCertificateEntry.h"

#include "app/KeyManagementError.h"
#include "commands/PivObjectText.h"
#include "device/piv/Piv.h"
#include "device/transport/QuenlixKeyError.h"
#include "encoding/Hex.h"

#include <memory>

namespace {

using OwnedCertificate = std::unique_ptr<CertificateInfo, decltype(&piv_freeCertificate)>;

std::vector<uint8_t> certificateSlots(const std::string& readerName) {
    uint64_t size = 0;
    throwOnError(piv_listCertificates(readerName.c_str(), nullptr, &size));
    std::vector<uint8_t> slots(size);
    if (size > 0) {
        throwOnError(piv_listCertificates(readerName.c_str(), slots.data(), &size));
        slots.resize(size);
    }
    return slots;
}

} // namespace

CertificateListEntry readCertificateEntry(const std::string& readerName, uint8_t slot) {
    CertificateInfo* read = nullptr;
    const int32_t result = piv_readCertificate(readerName.c_str(), slot, &read);
    const OwnedCertificate certificate(read, piv_freeCertificate);
    throwOnError(result);
    CertificateListEntry entry;
    entry.slot = slot;
    entry.algorithm = piv_certificateAlgorithm(certificate.get());
    entry.bits = piv_certificateBits(certificate.get());
    entry.subject = piv_certificateSubject(certificate.get());
    entry.issuer = piv_certificateIssuer(certificate.get());
    const uint8_t* fingerprint = piv_certificateFingerprint(certificate.get());
    entry.fingerprint.assign(fingerprint,
                             fingerprint + piv_certificateFingerprintLength(certificate.get()));
    entry.notBefore = piv_certificateNotBefore(certificate.get());
    entry.notAfter = piv_certificateNotAfter(certificate.get());
    entry.pem = piv_certificatePem(certificate.get());
    entry.hasCertificate = true;
    return entry;
}

std::vector<CertificateListEntry> listCertificateEntries(const std::string& readerName) {
    std::vector<CertificateListEntry> entries;
    for (uint8_t slot : certificateSlots(readerName)) {
        try {
            entries.push_back(readCertificateEntry(readerName, slot));
        } catch (const KeyManagementError& error) {
            if (error.code != QUENLIX_KEY_ERROR_INVALID_DATA) {
                throw;
            }
            CertificateListEntry unreadable;
            unreadable.slot = slot;
            unreadable.message = error.what();
            entries.push_back(std::move(unreadable));
        }
    }
    return entries;
}

std::string entryText(const CertificateListEntry& entry) {
    std::string text = "Slot: " + byteToHex(entry.slot) + "\n";
    if (!entry.hasCertificate) {
        return text + "\t" + entry.message + "\n";
    }
    text += "\tAlgorithm: " + entry.algorithm + std::to_string(entry.bits) + "\n";
    text += "\tSubject: " + entry.subject + "\n";
    text += "\tIssuer: " + entry.issuer + "\n";
    text += "\tFingerprint: " + hexText(entry.fingerprint) + "\n";
    text += "\tIssued at: " + entry.notBefore + "\n";
    text += "\tExpires at: " + entry.notAfter + "\n";
    return text;
}
