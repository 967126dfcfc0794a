#include "commands/HotpCommand.h"

#include "app/KeyManagementError.h"
#include "app/SecretEntry.h"
#include "app/SecretFormats.h"
#include "commands/OtpOptionChecks.h"
#include "commands/ReaderOption.h"
#include "commands/SizedRead.h"
#include "device/otp/Hotp.h"

#include <iostream>

namespace {

constexpr size_t maximumPinLength = 8;
constexpr size_t minimumKeyLength = 16;
// Longest code the applet produces.
constexpr size_t codeCapacity = 8;

} // namespace

HotpCommand::HotpCommand(CLI::App& root)
    : AppletCommand(root, "hotp", "HOTP management operations") {
    holdsSecrets({&pin, &newPin, &key});
    registerActionsAndValues();
    app->footer(secretEntryHelp);
}

void HotpCommand::registerActionsAndValues() {
    addAction(addFlag("--info", "Print information about the connected smartcard reader"));
    addPinFormatOption(*app, pinFormat, {"--pin", "--change-pin"});
    CLI::Option* pinOption =
        app->add_option("-p,--pin", pin,
                        "PIN to authenticate an operation. The PIN must be 4 to 8 bytes in "
                        "length, in the format specified by the --pin-format option")
            ->transform(applyPinFormat(pinFormat))
            ->transform(readSecretOnDash(secretPrompt("PIN")))
            ->check(pinLengthCheck(maximumPinLength));
    addAction(app->add_option("--change-pin", newPin,
                              "Change authentication PIN to new PIN. The PIN must be 4 to 8 "
                              "bytes in length, in the format specified by the --pin-format "
                              "option")
                  ->needs(pinOption)
                  ->transform(applyPinFormat(pinFormat))
                  ->transform(readSecretOnDash(newSecretPrompt("PIN")))
                  ->check(pinLengthCheck(maximumPinLength)));
    addKeyFormatOption(*app, keyFormat);
    CLI::Option* keyOption =
        app->add_option("--key", key,
                        "Set a key for HOTP. The key must be a hex encoded string and the "
                        "length is between 16 and 64")
            ->transform(applyKeyFormat(keyFormat))
            ->transform(readSecretOnDash(secretPrompt("HOTP key")))
            ->check(keyLengthCheck(minimumKeyLength));
    CLI::Option* counterOption = app->add_option("--counter", counter, "Set the counter for HOTP")
                                     ->transform(counterAsDecimal());
    app->add_option("--otp-length", otpLength, "Set the length of the generated one time passwords")
        ->check(CLI::IsMember({"6", "8"}))
        ->capture_default_str();
    addAction(addFlag("--configure", "Configure the key, counter and otp length for HOTP")
                  ->needs(pinOption)
                  ->needs(keyOption)
                  ->needs(counterOption));
    addAction(addFlag("--reset", "Restore the default key and default counter that was "
                                 "programmed during device manufacturing")
                  ->needs(pinOption));
    addAction(addFlag("--gen-hotp", "Generate HOTP code"));
    addReaderOption(*app, readerName, appletReaderHelp);
}

int32_t HotpCommand::run(const std::string& action) {
    if (action == "--info") {
        showInfo();
    } else if (action == "--change-pin") {
        changePin();
    } else if (action == "--configure") {
        configure();
    } else if (action == "--reset") {
        restoreFactory();
    } else {
        generateCode();
    }
    return 0;
}

void HotpCommand::showInfo() {
    const std::string version = readSizedText<size_t>([this](char* buffer, size_t* length) {
        return hotp_getVersion(readerName.c_str(), buffer, length);
    });
    uint64_t serialNumber = 0;
    throwOnError(hotp_getSerialNumber(readerName.c_str(), &serialNumber));
    std::cout << "Version:\t\t" << version << std::endl;
    std::cout << "Serial Number:\t\t" << serialNumber << std::endl;
}

void HotpCommand::changePin() {
    int32_t remainingTries = -1;
    const int32_t result =
        hotp_changePin(readerName.c_str(), pin.c_str(), newPin.c_str(), &remainingTries);
    throwOnError(result, remainingTries);
    std::cout << "Successfully changed PIN" << std::endl;
}

void HotpCommand::configure() {
    int32_t remainingTries = -1;
    const int32_t result =
        hotp_configure(readerName.c_str(), pin.c_str(), key.c_str(), static_cast<uint64_t>(counter),
                       static_cast<uint8_t>(otpLength), &remainingTries);
    throwOnError(result, remainingTries);
    std::cout << "Successfully configured HOTP" << std::endl;
}

void HotpCommand::restoreFactory() {
    int32_t remainingTries = -1;
    const int32_t result = hotp_restoreFactory(readerName.c_str(), pin.c_str(),
                                               static_cast<uint8_t>(otpLength), &remainingTries);
    throwOnError(result, remainingTries);
    std::cout << "Successfully restored the factory HOTP configuration" << std::endl;
}

void HotpCommand::generateCode() {
    std::string code(codeCapacity, '\0');
    size_t length = code.size();
    throwOnError(hotp_generateCode(readerName.c_str(), code.data(), &length));
    code.resize(length);
    std::cout << "HOTP code: " << code << std::endl;
}
