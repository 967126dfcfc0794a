#include "device/piv/PivCertificateSlots.h"
#include "device/piv/PivDataObjects.h"
#include "device/piv/PivObjectAnswers.h"
#include "device/piv/PivSession.h"
#include "device/transport/DeviceException.h"

namespace {

// Whether the slot's certificate object holds a certificate. Absent and emptied objects (a
// deleted certificate is 53 00) hold none; an unreadable one fails the count.
bool holdsCertificate(PivSession& session, uint8_t slot) {
    try {
        return parseCertificateObject(session.getData(certificateObjectOf(slot))).has_value();
    } catch (const DeviceException& error) {
        if (error.code == QUENLIX_KEY_ERROR_NOT_FOUND) {
            return false;
        }
        throw;
    }
}

// Position (1 to 20) of the last retired slot holding a certificate, 0 when none does.
uint8_t retiredSlotsInUse(PivSession& session) {
    for (size_t position = pivRetiredSlotCount; position > 0; --position) {
        const PivKeySlot& slot = pivKeySlots[pivPrimarySlotCount + position - 1];
        if (holdsCertificate(session, slot.keyReference)) {
            return static_cast<uint8_t>(position);
        }
    }
    return 0;
}

} // namespace

void PivSession::updateKeyHistory() {
    PivKeyHistory history = parseKeyHistory(getData(pivKeyHistoryObject));
    const uint8_t inUse = retiredSlotsInUse(*this);
    if (inUse == history.keysWithOnCardCerts) {
        return;
    }
    history.keysWithOnCardCerts = inUse;
    putData(pivKeyHistoryObject, encodeKeyHistory(history));
}
