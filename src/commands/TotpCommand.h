#pragma once

#include "commands/AppletCommand.h"
#include "commands/OtpUriOption.h"
#include "device/otp/Totp.h"

#include <cstdint>
#include <string>
#include <vector>

// "totp": version and slot count of the TOTP applet, its PIN, its slots and their codes.
class TotpCommand : public AppletCommand {
public:
    explicit TotpCommand(CLI::App& root);
    ~TotpCommand() override = default;

private:
    // The action table and the plain options between its rows (TotpCommandOptions.cpp).
    static const std::vector<Action<TotpCommand>> actions;
    void addSlotOptions();
    void checkPin(CLI::Option& option);
    std::vector<UriPart> uriParts(const OtpAuthUri& parts);

    int32_t showInfo();
    int32_t showPinInfo();
    int32_t listSlots();
    int32_t reset();
    int32_t resetPin();
    int32_t setPin();
    int32_t changePin();
    int32_t configureSlot();
    int32_t clearSlot();
    int32_t generateCode();

    std::string pinFormat;
    // PIN bytes after the PIN format was applied.
    std::string pin;
    // Written by --set-pin and by --change-pin.
    std::string newPin;
    int32_t hashAlgorithm = 0;
    int32_t digits = 6;
    int32_t period = 30;
    std::string account;
    std::string issuer;
    std::string keyFormat;
    // Hex text after the key format was applied.
    std::string key;
    // Emptied once its parts were taken.
    std::string uri;
    // No slot given: the card picks the first free one.
    int32_t slotIndex = totpFirstFreeSlot;
};
