#pragma once

#include <cstddef>
#include <cstdint>

struct KeyInfo;
struct CertificateInfo;

// PIV applet: PIN, PUK and management key, key pairs in the key slots, certificates and data
// objects, and certificate signing requests signed by the card.
//
// Every function opens its own session on the named reader, returns a QuenlixKeyError code
// (0 on success) and never throws. Texts (reader, PIN, PUK, hex management keys, subject
// fields) are zero-terminated. Size protocol for byte and text results: *size is the capacity
// of the buffer on entry and receives the length; a null buffer only reports the length; a
// buffer too small gives QUENLIX_KEY_ERROR_BUFFER_TOO_SMALL and leaves *size alone; no
// terminator is added.

// Limits of the applet, checked by its session and by the piv command's options.
inline constexpr size_t pivMinimumPinLength = 6;
// The card's PIN field; shorter PINs are padded to it.
inline constexpr size_t pivMaximumPinLength = 8;
inline constexpr size_t pivPukLength = 8;
// Triple-DES key.
inline constexpr size_t pivManagementKeyLength = 24;
// The card keeps a retry count in one byte; the least is 1.
inline constexpr uint32_t pivMaximumRetries = 255;

// Application label from the SELECT answer.
int32_t piv_getVersion(const char* readerName, char* version, uint64_t* size);

int32_t piv_getSerialNumber(const char* readerName, uint64_t* serialNumber);

// Counts are -1 when the card does not report them; isDefault is 1 while the factory value
// is set.
int32_t piv_getPinRetries(const char* readerName, int32_t* totalRetries, int32_t* remainingRetries,
                          int32_t* isDefault);
int32_t piv_getPukRetries(const char* readerName, int32_t* totalRetries, int32_t* remainingRetries,
                          int32_t* isDefault);

// PIN of pivMinimumPinLength to pivMaximumPinLength bytes, PUK of pivPukLength bytes.
int32_t piv_changePin(const char* readerName, const char* pin, const char* newPin);
int32_t piv_changePuk(const char* readerName, const char* puk, const char* newPuk);
int32_t piv_unblockPin(const char* readerName, const char* puk, const char* newPin);

int32_t piv_setManagementKey(const char* readerName, const char* managementKey,
                             const char* newManagementKey);

// Authenticates, verifies the PIN, then sets both counts (1 to pivMaximumRetries); the card
// restores the default PIN and PUK.
int32_t piv_configureRetries(const char* readerName, const char* managementKey, const char* pin,
                             uint32_t pinRetries, uint32_t pukRetries);

// Resets the applet; the card allows it only while PIN and PUK are both blocked.
int32_t piv_reset(const char* readerName);

// Generates a key pair in the slot; *keyInfo receives the public key, owned by the caller and
// released with piv_freeKeyInfo.
int32_t piv_generateKeyPair(const char* readerName, const char* managementKey, uint8_t slot,
                            uint8_t algorithm, KeyInfo** keyInfo);

// keyData: a private key file (PEM or DER) of keyDataLength bytes.
int32_t piv_importPrivateKey(const char* readerName, const char* managementKey, uint8_t slot,
                             const uint8_t* keyData, uint64_t keyDataLength);

// The same with the PIN policy (tag AA) and touch policy (tag AB) to send with the key (see
// pivPinPolicyNames and pivTouchPolicyNames); the two above send PivKeyPolicies{}.
int32_t piv_generateKeyPairWithPolicies(const char* readerName, const char* managementKey,
                                        uint8_t slot, uint8_t algorithm, uint8_t pinPolicy,
                                        uint8_t touchPolicy, KeyInfo** keyInfo);
int32_t piv_importPrivateKeyWithPolicies(const char* readerName, const char* managementKey,
                                         uint8_t slot, const uint8_t* keyData,
                                         uint64_t keyDataLength, uint8_t pinPolicy,
                                         uint8_t touchPolicy);

// Null is ignored.
void piv_freeKeyInfo(KeyInfo* keyInfo);

// Card Capability Container and Cardholder Unique Identifier: the object content as read,
// 53 header included.
int32_t piv_getCcc(const char* readerName, uint8_t* data, uint64_t* size);
int32_t piv_getChuid(const char* readerName, uint8_t* data, uint64_t* size);
// Write new objects with fresh random parts.
int32_t piv_setCcc(const char* readerName, const char* managementKey);
int32_t piv_setChuid(const char* readerName, const char* managementKey);

// certificateData: a certificate file (PEM or DER) of certificateDataLength bytes.
int32_t piv_importCertificate(const char* readerName, const char* managementKey, uint8_t slot,
                              const uint8_t* certificateData, uint64_t certificateDataLength);

// *certificate receives the slot's certificate, owned by the caller and released with
// piv_freeCertificate.
int32_t piv_readCertificate(const char* readerName, uint8_t slot, CertificateInfo** certificate);

int32_t piv_deleteCertificate(const char* readerName, const char* managementKey, uint8_t slot);

// Key references of the slots that hold a certificate object, one byte each.
int32_t piv_listCertificates(const char* readerName, uint8_t* slots, uint64_t* size);

// Brings the Key History object's count of retired slots with certificates up to date.
int32_t piv_updateKeyHistory(const char* readerName, const char* managementKey);

// Null is ignored.
void piv_freeCertificate(CertificateInfo* certificate);

// Accessors of a certificate from piv_readCertificate; texts are zero-terminated and stay
// valid while the record lives.
const char* piv_certificateAlgorithm(const CertificateInfo* certificate);
int32_t piv_certificateBits(const CertificateInfo* certificate);
const char* piv_certificateSubject(const CertificateInfo* certificate);
const char* piv_certificateIssuer(const CertificateInfo* certificate);
const uint8_t* piv_certificateFingerprint(const CertificateInfo* certificate);
uint64_t piv_certificateFingerprintLength(const CertificateInfo* certificate);
const char* piv_certificateNotBefore(const CertificateInfo* certificate);
const char* piv_certificateNotAfter(const CertificateInfo* certificate);
const char* piv_certificatePem(const CertificateInfo* certificate);

// Verifies the PIN, then builds a certificate signing request for publicKey (the public key
// of the slot's key pair) signed by the card with SHA-256; empty subject texts are left out.
// The PEM text goes out by the size protocol; a size query runs the whole operation, and for
// an EC key reports 11 bytes more than the text, whose real length the second call writes
// back.
int32_t piv_createCertificateRequest(const char* readerName, const char* pin, uint8_t slot,
                                     const KeyInfo* publicKey, const char* commonName,
                                     const char* country, const char* organization,
                                     const char* organizationUnit, char* out, uint64_t* inOutSize);

// The same with subject alternative names ("DNS:name", "email:address", "URI:uri",
// "IP:address"; altNameCount texts) in the request's extension request attribute.
int32_t piv_createCertificateRequestWithNames(const char* readerName, const char* pin, uint8_t slot,
                                              const KeyInfo* publicKey, const char* commonName,
                                              const char* country, const char* organization,
                                              const char* organizationUnit,
                                              const char* const* altNames, uint64_t altNameCount,
                                              char* out, uint64_t* inOutSize);

// Validity of a self-signed certificate, in days.
inline constexpr uint32_t pivMinimumValidDays = 1;
inline constexpr uint32_t pivMaximumValidDays = 36500;

// Verifies the PIN, then builds an X.509 v3 certificate for publicKey whose issuer is its
// subject, signed by the card with SHA-256: a random positive serial of 16 bytes, valid from
// now for validDays days, basic constraints CA:FALSE, subject and authority key identifiers
// and the subject alternative names; validDays from pivMinimumValidDays to pivMaximumValidDays.
// Size protocol as for requests (each call makes a new
// certificate). The certificate is not stored on the card.
int32_t piv_createSelfSignedCertificate(const char* readerName, const char* pin, uint8_t slot,
                                        const KeyInfo* publicKey, const char* commonName,
                                        const char* country, const char* organization,
                                        const char* organizationUnit, const char* const* altNames,
                                        uint64_t altNameCount, uint32_t validDays, char* out,
                                        uint64_t* inOutSize);
