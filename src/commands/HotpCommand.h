#pragma once

#include "commands/AppletCommand.h"
#include "commands/OtpUriOption.h"

#include <cstdint>
#include <string>
#include <vector>

// "hotp": version and serial number of the HOTP applet, its PIN, its credential (key,
// counter, OTP length) and the next code.
class HotpCommand : public AppletCommand {
public:
    explicit HotpCommand(CLI::App& root);
    ~HotpCommand() override = default;

private:
    // The action table and the plain options between its rows (HotpCommandOptions.cpp).
    static const std::vector<Action<HotpCommand>> actions;
    void addCredentialOptions();
    void checkPin(CLI::Option& option);
    std::vector<UriPart> uriParts(const OtpAuthUri& parts);

    int32_t showInfo();
    int32_t changePin();
    int32_t configure();
    int32_t restoreFactory();
    int32_t generateCode();

    std::string pinFormat;
    // PIN bytes after the PIN format was applied.
    std::string pin;
    std::string newPin;
    std::string keyFormat;
    // Hex text after the key format was applied.
    std::string key;
    // Emptied once its parts were taken.
    std::string uri;
    int32_t counter = 0;
    int32_t otpLength = 6;
};
