#pragma once

#include "device/piv/CertificateRequest.h"
#include "device/piv/PivTables.h"
#include "device/session/Session.h"
#include "device/transport/ApduExchange.h"
#include "encoding/SecretBytes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct KeyInfo;
struct CertificateInfo;

// Retry state of the PIN or the PUK as GET METADATA reports it. The counts are -1 when the
// card did not report them; isDefault is non-zero while the factory value is still set.
struct PivRetryInfo {
    int32_t totalRetries = -1;
    int32_t remainingRetries = -1;
    int32_t isDefault = 0;
};

// A session with the PIV applet selected; lives for one entry-point call. Management-key
// authentication and PIN verification hold only for this connection. Methods throw
// DeviceException; argument checks that the card cannot make throw std::runtime_error.
class PivSession : public Session {
public:
    explicit PivSession(const std::string& readerName);

    // The SELECT answer (application property template), as the card sent it.
    const Bytes& selectResponse() const { return selectAnswer; }

    // Credentials and identity.
    std::string getVersion() const;
    uint64_t getSerialNumber();
    PivRetryInfo getPinRetries();
    PivRetryInfo getPukRetries();
    void verifyPin(const SecretBytes& pin);
    void changePin(const SecretBytes& oldPin, const SecretBytes& newPin);
    void changePuk(const SecretBytes& oldPuk, const SecretBytes& newPuk);
    void unblockPin(const SecretBytes& puk, const SecretBytes& newPin);
    // Management keys are hex text of 24 bytes (48 digits).
    void authenticate(const SecretBytes& managementKeyHex);
    void setManagementKey(const SecretBytes& newManagementKeyHex);
    // Also restores the default PIN and PUK on the card.
    void setRetries(uint32_t pinRetries, uint32_t pukRetries);
    // Refused by the card unless PIN and PUK are both blocked.
    void reset();

    // Keys. Both replace whatever key the slot held.
    std::unique_ptr<KeyInfo> generateKeyPair(uint8_t slot, uint8_t algorithm,
                                             const PivKeyPolicies& policies = {});
    // keyData: a private key file, PEM or DER.
    void importPrivateKey(uint8_t slot, const SecretBytes& keyData,
                          const PivKeyPolicies& policies = {});

    // Data objects and certificates.
    Bytes getData(const PivObjectId& objectId);
    void putData(const PivObjectId& objectId, const Bytes& content);
    // Empty certificateData empties the slot's certificate object.
    void importCertificate(uint8_t slot, const Bytes& certificateData);
    std::unique_ptr<CertificateInfo> readCertificate(uint8_t slot);
    void deleteCertificate(uint8_t slot);
    // Key references of the slots holding a certificate object, in slot-table order.
    Bytes listCertificates();
    void updateKeyHistory();
    Bytes getCcc();
    Bytes getChuid();
    // Each writes a new object with fresh random parts and returns its content.
    Bytes setCcc();
    Bytes setChuid();

    // PEM of a certificate signing request for publicKey, signed by the card with the slot's
    // private key (the PIN must have been verified). Empty subject texts are left out.
    std::string createCertificateRequest(uint8_t slot, const KeyInfo& publicKey,
                                         const std::string& commonName, const std::string& country,
                                         const std::string& organization,
                                         const std::string& organizationUnit);
    // The same with subject alternative names ("DNS:name", "email:address", "URI:uri",
    // "IP:address") in the request's extension request attribute; none adds no attribute.
    std::string createCertificateRequest(uint8_t slot, const KeyInfo& publicKey,
                                         const SubjectFields& subject,
                                         const std::vector<std::string>& altNames);
    // PEM of an X.509 v3 certificate for publicKey whose issuer is its subject, signed by the
    // card with the slot's private key (the PIN must have been verified); see
    // buildSelfSignedCertificate.
    std::string createSelfSignedCertificate(uint8_t slot, const KeyInfo& publicKey,
                                            const SubjectFields& subject,
                                            const std::vector<std::string>& altNames,
                                            uint32_t validDays);

private:
    PivRetryInfo getRetries(uint8_t keyReference);

    Bytes selectAnswer;
};
