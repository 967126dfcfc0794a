#pragma once

#include "app/SecretEntry.h"
#include "commands/AppletCommand.h"
#include "device/piv/PivTables.h"

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

struct KeyInfo;

// "piv": PIN, PUK and management key of the PIV applet, key pairs, certificates, certificate
// signing requests signed by the card, and the CHUID and CCC identity objects.
class PivCommand : public AppletCommand {
public:
    explicit PivCommand(CLI::App& root);
    ~PivCommand() override = default;

private:
    // The action table and the plain options between its rows (PivCommandOptions.cpp).
    static const std::vector<Action<PivCommand>> actions;
    void addCredentialOptions();
    void addRetryOptions();
    void addAlgorithmOption();
    void addRequestOptions();
    void checkPin(CLI::Option& option);
    void checkPuk(CLI::Option& option);
    void checkManagementKey(CLI::Option& option);
    void checkSlot(CLI::Option& option);
    CLI::Validator readPivSecret(SecretPrompt prompt);

    // Credentials (PivCommand.cpp).
    int32_t showInfo();
    int32_t reset();
    int32_t changePin();
    int32_t unblockPin();
    int32_t changePuk();
    int32_t setManagementKey();
    int32_t configureRetries();

    // Keys (PivKeyActions.cpp).
    int32_t generateKeyPair();
    int32_t importKey();
    // --pin-policy or --touch-policy was given; without them the keys go as they always have.
    bool policiesGiven() const;

    // Requests and certificates signed on the card (PivSignedActions.cpp).
    int32_t requestCertificate();
    int32_t generateCertificate();
    // Signs on the card for the public key in --input, with the subject alternative names;
    // called twice by the size protocol.
    using SignForKey =
        std::function<int32_t(const KeyInfo& publicKey, const std::vector<const char*>& altNames,
                              char* out, uint64_t* size)>;
    std::string signedForInputKey(const SignForKey& sign);
    // Runs sign; a slot without a usable private key is reported as such.
    int32_t withTheSlotsPrivateKey(const std::function<void()>& sign);
    std::runtime_error notTheSlotsKey() const;

    // Certificates and identity objects (PivCertificateActions.cpp).
    int32_t listCertificates();
    int32_t importCertificate();
    int32_t readCertificate();
    int32_t deleteCertificate();
    int32_t setCcc();
    int32_t setChuid();

    // The checked slot name as the card's key reference.
    uint8_t slotReference() const;
    // Writes the text to the --output file with the success message, or prints it.
    void deliver(const std::string& text, const std::string& successMessage);

    std::string pin;
    // Written by --change-pin and by --unblock-pin.
    std::string newPin;
    std::string puk;
    std::string newPuk;
    // Hex text of the Triple-DES key.
    std::string managementKey;
    std::string newManagementKey;
    // Upper-case slot name written by the slot actions, e.g. "9A".
    std::string slot;
    int32_t algorithm = 7;
    // Sent in tags AA and AB with a generated or imported key.
    int32_t pinPolicy = PivKeyPolicies{}.pin;
    int32_t touchPolicy = PivKeyPolicies{}.touch;
    // "DNS:name", "email:address", "URI:uri", "IP:address", in the given order.
    std::vector<std::string> subjectAltNames;
    int32_t validDays = 365;
    std::string commonName;
    std::string country;
    std::string organizationName;
    std::string organizationUnit;
    int32_t pinRetries = 5;
    int32_t pukRetries = 3;
    std::string inputPath;
    std::string outputPath;
};
