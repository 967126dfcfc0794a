#include "crypto/ObjectParsing.h"
#include "device/piv/PivCertificateSlots.h"
#include "device/piv/PivObjectAnswers.h"
#include "device/piv/PivSession.h"
#include "device/transport/DeviceException.h"
#include "encoding/BerTlvBuilder.h"
#include "encoding/Hex.h"

#include <stdexcept>

namespace {

constexpr uint8_t tagObject = 0x53;
constexpr uint8_t tagCertificate = 0x70;
constexpr uint8_t tagCertificateInfo = 0x71;
constexpr uint8_t tagErrorDetection = 0xFE;
constexpr uint8_t uncompressed = 0x00;

// 53 { 70 DER, 71 00, FE }, or the emptied object 53 00 without a certificate.
Bytes certificateObjectContent(const Bytes& certificateData) {
    BerTlvBuilder builder;
    ConstructedBerTlv& content = builder.addConstructed(tagObject);
    if (!certificateData.empty()) {
        // Stored as DER whatever form the file had.
        const CertificateInfo certificate = describeCertificate(*parseCertificate(certificateData));
        content.addPrimitive(tagCertificate, certificate.der);
        content.addPrimitive(tagCertificateInfo, {uncompressed});
        content.addPrimitive(tagErrorDetection, {});
    }
    return builder.build();
}

bool counted(int32_t code) {
    // A present object that is no readable certificate, or that the card will not show.
    return code == QUENLIX_KEY_ERROR_INVALID_DATA || code == QUENLIX_KEY_ERROR_ILLEGAL_STATE;
}

} // namespace

const PivObjectId& certificateObjectOf(uint8_t slot) {
    const PivKeySlot* entry = findPivKeySlot(slot);
    if (entry == nullptr) {
        throw std::runtime_error("Invalid certificate slot " + byteToHex(slot, "0x"));
    }
    return entry->certificateObject;
}

void PivSession::importCertificate(uint8_t slot, const Bytes& certificateData) {
    const Bytes content = certificateObjectContent(certificateData);
    putData(certificateObjectOf(slot), content);
}

void PivSession::deleteCertificate(uint8_t slot) {
    importCertificate(slot, {});
}

std::unique_ptr<CertificateInfo> PivSession::readCertificate(uint8_t slot) {
    const PivObjectId& object = certificateObjectOf(slot);
    std::optional<CertificateInfo> certificate = parseCertificateObject(getData(object));
    if (!certificate) {
        throw DeviceException(QUENLIX_KEY_ERROR_INVALID_DATA, 0);
    }
    return std::make_unique<CertificateInfo>(std::move(*certificate));
}

Bytes PivSession::listCertificates() {
    Bytes slots;
    for (const PivKeySlot& slot : pivKeySlots) {
        try {
            readCertificate(slot.keyReference);
            slots.push_back(slot.keyReference);
        } catch (const DeviceException& error) {
            if (counted(error.code)) {
                slots.push_back(slot.keyReference);
            } else if (error.code != QUENLIX_KEY_ERROR_NOT_FOUND) {
                throw;
            }
        }
    }
    return slots;
}
