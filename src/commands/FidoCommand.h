#pragma once

#include "app/Command.h"

#include <string>

class FidoDeviceEntry;

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

private:
    CLI::Option* fidoPathOption;

    int32_t runAction(const std::string& action, const FidoDeviceEntry& device);
    int32_t printInfo(const FidoDeviceEntry& device);
    int32_t setPin();
    int32_t changePin();
    int32_t reset();
};
