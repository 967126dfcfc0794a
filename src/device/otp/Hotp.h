#pragma once

#include <cstddef>
#include <cstdint>

// HOTP applet: one counter-based credential (key, counter, OTP length) guarded by a PIN. The
// card computes every code; no key is ever read back.
//
// Every function opens its own session on the named reader, returns a QuenlixKeyError code
// (0 on success) and never throws. Texts (reader, PINs, key) are zero-terminated; a PIN is
// taken up to its first zero byte. remainingTries (may be null) receives the tries left when
// the card rejects the PIN, and is left alone otherwise.

// Limits of the applet, checked by its session and by the hotp command's options.
inline constexpr size_t hotpMinimumPinLength = 4;
inline constexpr size_t hotpMaximumPinLength = 8;
inline constexpr size_t hotpMinimumKeyLength = 16;
inline constexpr size_t hotpMaximumKeyLength = 64;
// The applet's two code lengths.
inline constexpr uint8_t hotpShortCodeLength = 6;
inline constexpr uint8_t hotpLongCodeLength = 8;

// Version text "v" + the applet's version bytes in decimal, separated by ".". Size protocol:
// *length is the capacity on entry; a null buffer only reports the length.
int32_t hotp_getVersion(const char* readerName, char* version, size_t* length);

int32_t hotp_getSerialNumber(const char* readerName, uint64_t* serialNumber);

int32_t hotp_changePin(const char* readerName, const char* pin, const char* newPin,
                       int32_t* remainingTries);

// keyHex: the key as hex text of hotpMinimumKeyLength to hotpMaximumKeyLength bytes;
// otpLength: one of the two code lengths. Steps already done stay done when a later one fails.
int32_t hotp_configure(const char* readerName, const char* pin, const char* keyHex,
                       uint64_t counter, uint8_t otpLength, int32_t* remainingTries);

// The next code as the card's characters; moves the card's counter on. The buffer is required.
int32_t hotp_generateCode(const char* readerName, char* code, size_t* length);

// Restores the factory key and counter and sets the OTP length.
int32_t hotp_restoreFactory(const char* readerName, const char* pin, uint8_t otpLength,
                            int32_t* remainingTries);
