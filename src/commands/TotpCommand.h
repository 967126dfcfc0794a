#pragma once

#include "commands/AppletCommand.h"

#include <cstdint>
#include <string>

// "totp": version and slot count of the TOTP applet, its PIN, its slots and their codes.
class TotpCommand : public AppletCommand {
public:
    explicit TotpCommand(CLI::App& root);
    ~TotpCommand() override = default;

private:
    // Option registration (TotpCommandOptions.cpp).
    void registerGeneralActions();
    void registerPinOptions();
    void registerSlotOptions();
    void registerSlotActions();

    int32_t run(const std::string& action) override;
    void showInfo();
    void showPinInfo();
    void listSlots();
    void reset();
    void resetPin();
    void setPin();
    void changePin();
    void configureSlot();
    void clearSlot();
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
    // 255: no slot given.
    int32_t slotIndex = 255;
};
