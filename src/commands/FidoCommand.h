#pragma once

#include "app/Command.h"

#include <optional>
#include <string>
#include <vector>

// "fido": information, PIN and reset of a FIDO2 authenticator.
class FidoCommand : public Command {
public:
    explicit FidoCommand(CLI::App& root);

    int32_t execute() override;
    std::optional<int32_t> remainingFidoPinRetries() const override;

    // The device the command works on: as given, or resolved to the first key.
    std::string fidoPath;
    std::string pin;
    std::string newPin;
    // Written by --delete-credential.
    std::string credentialIdHex;

private:
    // The action table (FidoCommandOptions.cpp).
    static const std::vector<Action<FidoCommand>> actions;

    // Finds the device by the given path or as the first key, and keeps what the actions
    // need of it; false, with the failure reported, when there is none.
    bool resolveDevice();

    // The new PIN's checks: "-" reads it.
    void readNewPinOnDash(CLI::Option& option);

    int32_t printInfo();
    int32_t setPin();
    int32_t changePin();
    int32_t reset();

    // Passkeys (FidoCredentialActions.cpp).
    int32_t listCredentials();
    int32_t deleteCredential();
    int32_t showPinRetries();
    void checkCredentialId(CLI::Option& option);

    CLI::Option* fidoPathOption;
    // Product string of the resolved device, from the enumeration.
    std::string productName;
};
