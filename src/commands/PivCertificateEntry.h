#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One slot of the certificate listing: the certificate's description, or only the message
// of a certificate that could not be read.
struct CertificateListEntry {
    uint8_t slot = 0;
    std::string algorithm;
    int32_t bits = 0;
    std::string subject;
    std::string issuer;
    std::vector<uint8_t> fingerprint;
    std::string notBefore;
    std::string notAfter;
    std::string pem;
    bool hasCertificate = false;
    std::string message;
};

// Reads the slot's certificate; throws KeyManagementError on failure.
CertificateListEntry readCertificateEntry(const std::string& readerName, uint8_t slot);

// The entries of the slots that hold a certificate object, in the card's order. A certificate
// that the card holds but that is not valid (QUENLIX_KEY_ERROR_INVALID_DATA) gives an entry
// with only its message; other failures throw KeyManagementError.
std::vector<CertificateListEntry> listCertificateEntries(const std::string& readerName);

// The listing's lines of one entry, each ended with a line feed.
std::string entryText(const CertificateListEntry& entry);
