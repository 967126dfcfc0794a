#pragma once

#include "commands/AppletCommand.h"

#include <cstdint>
#include <string>

// "hotp": version and serial number of the HOTP applet, its PIN, its credential (key,
// counter, OTP length) and the next code.
class HotpCommand : public AppletCommand {
public:
    explicit HotpCommand(CLI::App& root);
    ~HotpCommand() override = default;

private:
    void registerActionsAndValues();
    int32_t run(const std::string& action) override;
    void showInfo();
    void changePin();
    void configure();
    void restoreFactory();
    void generateCode();

    std::string pinFormat;
    // PIN bytes after the PIN format was applied.
    std::string pin;
    std::string newPin;
    std::string keyFormat;
    // Hex text after the key format was applied.
    std::string key;
    int32_t counter = 0;
    int32_t otpLength = 6;
};
