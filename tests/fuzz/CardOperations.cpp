#include "CardOperations.h"

#include "FuzzedCard.h"
#include "PivCardOperations.h"
#include "device/otp/Hotp.h"
#include "device/otp/Totp.h"
#include "device/piv/Piv.h"
#include "device/session/KeyInfo.h"
#include "device/session/KeyReaders.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

const char* const reader = FuzzedCard::readerName;
const char* const managementKey = "010203040506070801020304050607080102030405060708";

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Learns the length with a null buffer, then reads into a buffer of exactly that size.
template <typename Read> void sizedRead(Read read) {
    size_t length = 0;
    if (read(nullptr, &length) != 0) {
        return;
    }
    // Exactly length bytes, and never a null pointer, even for no bytes at all.
    const auto buffer = std::make_unique<char[]>(length);
    size_t capacity = length;
    if (read(buffer.get(), &capacity) == 0) {
        require(capacity <= length);
    }
}

void listReaders() {
    ReaderList* list = nullptr;
    if (key_listReaders(&list) != 0) {
        require(list == nullptr);
        return;
    }
    for (size_t index = 0; index < key_readerCount(list); ++index) {
        require(key_readerName(list, index) != nullptr);
    }
    require(key_readerName(list, key_readerCount(list)) == nullptr);
    key_freeReaderList(list);
}

void totpSlots() {
    size_t length = 0;
    if (totp_listSlots(reader, nullptr, &length) != 0) {
        return;
    }
    const auto slots = std::make_unique<uint8_t[]>(length);
    size_t capacity = length;
    if (totp_listSlots(reader, slots.get(), &capacity) == 0) {
        require(capacity <= length);
    }
}

void totpCode() {
    TotpCode code;
    int32_t tries = -1;
    if (totp_generateCode(reader, 1, 1700000000, "123456", &code, &tries) == 0 &&
        code.period != 0) {
        const uint32_t validity = totpCodeValidity(1700000000, code);
        require(validity >= 1 && validity <= code.period);
    }
}

// clang-format off
const CardOperation operations[] = {
    {"key_listReaders", listReaders},
    {"key_getName", [] { sizedRead([](char* b, size_t* l) { return key_getName(reader, b, l); }); }},
    {"key_getVersion", [] { sizedRead([](char* b, size_t* l) { return key_getVersion(reader, b, l); }); }},
    {"key_getDate", [] { sizedRead([](char* b, size_t* l) { return key_getDate(reader, b, l); }); }},
    {"key_getSerialNumber", [] { uint64_t serial; key_getSerialNumber(reader, &serial); }},
    {"hotp_getVersion", [] { sizedRead([](char* b, size_t* l) { return hotp_getVersion(reader, b, l); }); }},
    {"hotp_getSerialNumber", [] { uint64_t serial; hotp_getSerialNumber(reader, &serial); }},
    {"hotp_changePin", [] { int32_t tries; hotp_changePin(reader, "123456", "654321", &tries); }},
    {"hotp_configure", [] { int32_t tries; hotp_configure(reader, "123456", "3132333435363738393031323334353637383930", 7, 6, &tries); }},
    {"hotp_generateCode", [] { char code[16]; size_t length = sizeof code; if (hotp_generateCode(reader, code, &length) == 0) require(length <= sizeof code); }},
    {"hotp_restoreFactory", [] { int32_t tries; hotp_restoreFactory(reader, "123456", 8, &tries); }},
    {"totp_getVersion", [] { sizedRead([](char* b, size_t* l) { return totp_getVersion(reader, b, l); }); }},
    {"totp_getMaxSlots", [] { int32_t slots; totp_getMaxSlots(reader, &slots); }},
    {"totp_getPinInfo", [] { int32_t max, left, set; totp_getPinInfo(reader, &max, &left, &set); }},
    {"totp_setPin", [] { int32_t tries; totp_setPin(reader, "123456", "654321", true, &tries); }},
    {"totp_listSlots", totpSlots},
    {"totp_getSlotInfo", [] { TotpSlotInfo info; totp_getSlotInfo(reader, 2, &info); }},
    {"totp_configureSlot", [] { uint8_t slot = totpFirstFreeSlot; totp_configureSlot(reader, &slot, 1, 6, 0, 30, "3132333435363738393031323334353637383930", "mail", "issuer", true); }},
    {"totp_clearSlot", [] { totp_clearSlot(reader, 3); }},
    {"totp_generateCode", totpCode},
    {"totp_reset", [] { totp_reset(reader); }},
    {"totp_resetPin", [] { totp_resetPin(reader); }},
    {"piv_getVersion", [] { sizedRead([](char* b, size_t* l) { return piv_getVersion(reader, b, l); }); }},
    {"piv_getSerialNumber", [] { uint64_t serial; piv_getSerialNumber(reader, &serial); }},
    {"piv_getChuid", pivChuid},
    {"piv_getCcc", pivCcc},
    {"piv_getPinRetries", [] { int32_t total, left, isDefault; piv_getPinRetries(reader, &total, &left, &isDefault); }},
    {"piv_getPukRetries", [] { int32_t total, left, isDefault; piv_getPukRetries(reader, &total, &left, &isDefault); }},
    {"piv_changePin", [] { piv_changePin(reader, "123456", "65432100"); }},
    {"piv_changePuk", [] { piv_changePuk(reader, "12345678", "87654321"); }},
    {"piv_unblockPin", [] { piv_unblockPin(reader, "12345678", "65432100"); }},
    {"piv_setManagementKey", [] { piv_setManagementKey(reader, managementKey, "0102030405060708090a0b0c0d0e0f101112131415161718"); }},
    {"piv_configureRetries", [] { piv_configureRetries(reader, managementKey, "654321", 5, 6); }},
    {"piv_reset", [] { piv_reset(reader); }},
    {"piv_setCcc", [] { piv_setCcc(reader, managementKey); }},
    {"piv_setChuid", [] { piv_setChuid(reader, managementKey); }},
    {"piv_listCertificates", pivListCertificates},
    {"piv_readCertificate", pivReadCertificate},
    {"piv_importCertificate", pivImportCertificate},
    {"piv_updateKeyHistory", [] { piv_updateKeyHistory(reader, managementKey); }},
    {"piv_deleteCertificate", [] { piv_deleteCertificate(reader, managementKey, 0x82); }},
    {"piv_generateKeyPair", pivGenerateKeyPair},
    {"piv_importPrivateKey", pivImportPrivateKey},
    {"piv_createCertificateRequest/rsa", pivCertificateRequestRsa},
    {"piv_createCertificateRequest/ec", pivCertificateRequestEc},
    {"piv_createCertificateRequestWithNames/ec", pivCertificateRequestWithNames},
    {"piv_createSelfSignedCertificate/rsa", pivSelfSignedCertificateRsa},
    {"piv_createSelfSignedCertificate/ec", pivSelfSignedCertificateEc},
    {"piv_generateKeyPairWithPolicies", pivGenerateKeyPairWithPolicies},
    {"piv_importPrivateKeyWithPolicies", pivImportPrivateKeyWithPolicies},
};
// clang-format on

} // namespace

std::span<const CardOperation> cardOperations() {
    return operations;
}
