#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// TOTP applet: a fixed number of slots, each holding one time-based credential, and one PIN
// that guards the PIN-protected slots. The card computes the codes from the time the host
// sends.
//
// Every function opens its own session on the named reader, returns a QuenlixKeyError code
// (0 on success) and never throws. Texts (reader, PINs, key, account, issuer) are
// zero-terminated; a PIN is taken up to its first zero byte.

// Answer to a code request: the slot's time origin and period, and the code's digits.
struct TotpCode {
    uint64_t timeOrigin = 0;
    uint32_t period = 0;
    std::string code;
};

struct TotpSlotInfo {
    std::string account;
    // Empty when the slot has none.
    std::string issuer;
    bool pinProtected = false;
};

// Slot number that asks CONFIGURE SLOT for the first free slot.
inline constexpr uint8_t totpFirstFreeSlot = 0xFF;

// Limits of the applet, checked by its session and by the totp command's options.
inline constexpr size_t totpMinimumPinLength = 4;
inline constexpr size_t totpMaximumPinLength = 16;
inline constexpr size_t totpMinimumKeyLength = 10;
inline constexpr size_t totpMaximumKeyLength = 64;
// Account and issuer.
inline constexpr size_t totpMaximumNameLength = 60;
inline constexpr uint8_t totpMinimumDigits = 6;
inline constexpr uint8_t totpMaximumDigits = 9;
inline constexpr uint32_t totpMinimumPeriod = 5;
// A day; the applet itself sets no upper bound.
inline constexpr uint32_t totpMaximumPeriod = 86400;
// Slot numbers run from 0 to this one on the largest applet; a card may have fewer.
inline constexpr uint8_t totpHighestSlot = 41;

// Hash algorithm codes of a slot.
inline constexpr uint8_t totpSha1 = 0;
inline constexpr uint8_t totpSha256 = 1;
inline constexpr uint8_t totpSha512 = 2;

// Version text "vMAJOR.MINOR.PATCH". Size protocol: a null buffer only reports the length.
int32_t totp_getVersion(const char* readerName, char* version, size_t* length);

int32_t totp_getMaxSlots(const char* readerName, int32_t* maxSlots);

// pinSet is 1 when a PIN is set, else 0.
int32_t totp_getPinInfo(const char* readerName, int32_t* maxTries, int32_t* triesLeft,
                        int32_t* pinSet);

// Sets a new PIN; with verify, proves the current PIN first. remainingTries (may be null)
// receives the tries left when that proof fails.
int32_t totp_setPin(const char* readerName, const char* pin, const char* newPin, bool verify,
                    int32_t* remainingTries);

// The numbers of the configured slots, one byte each. Size protocol as totp_getVersion.
int32_t totp_listSlots(const char* readerName, uint8_t* slots, size_t* length);

int32_t totp_getSlotInfo(const char* readerName, uint8_t slot, TotpSlotInfo* info);

// slot is in/out: the slot to configure, or totpFirstFreeSlot; receives the slot the card
// used. keyHex is the key as hex text; issuer may be null (none).
int32_t totp_configureSlot(const char* readerName, uint8_t* slot, uint8_t hashAlgorithm,
                           uint8_t digits, uint64_t timeOrigin, uint32_t period, const char* keyHex,
                           const char* account, const char* issuer, bool pinProtected);

int32_t totp_clearSlot(const char* readerName, uint8_t slot);

// Code of the slot at currentTime (seconds since the Unix epoch). A PIN (may be null) is
// verified first; remainingTries (may be null) receives the tries left when that fails.
int32_t totp_generateCode(const char* readerName, uint8_t slot, uint64_t currentTime,
                          const char* pin, TotpCode* code, int32_t* remainingTries);

// Deletes all slots and the PIN.
int32_t totp_reset(const char* readerName);

// Deletes the PIN-protected slots and the PIN.
int32_t totp_resetPin(const char* readerName);

// Seconds from currentTime until the end of the code's time window: 1 to the period.
// The period must not be 0.
uint32_t totpCodeValidity(uint64_t currentTime, const TotpCode& code);
