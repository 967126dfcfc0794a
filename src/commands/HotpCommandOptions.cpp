#include "app/SecretEntry.h"
#include "app/SecretFormats.h"
#include "commands/HotpCommand.h"
#include "commands/OtpOptionChecks.h"
#include "commands/PinLengthCheck.h"
#include "commands/ReaderOption.h"
#include "device/otp/Hotp.h"

#include <string>

// The actions in the order of the help; the plain options sit between them as the
// constructor registers them.
const std::vector<Action<HotpCommand>> HotpCommand::actions{
    {.names = "--info",
     .help = "Print information about the connected smartcard reader",
     .run = &HotpCommand::showInfo},
    {.names = "--change-pin",
     .help = "Change authentication PIN to new PIN. The PIN must be 4 to 8 bytes in length, in "
             "the format specified by the --pin-format option",
     .value = &HotpCommand::newPin,
     .needs = {"--pin"},
     .checks = &HotpCommand::checkPin,
     .run = &HotpCommand::changePin},
    {.names = "--configure",
     .help = "Configure the key, counter and otp length for HOTP",
     .needs = {"--pin", "--key", "--counter"},
     .run = &HotpCommand::configure},
    {.names = "--reset",
     .help = "Restore the default key and default counter that was programmed during device "
             "manufacturing",
     .needs = {"--pin"},
     .run = &HotpCommand::restoreFactory},
    {.names = "--gen-hotp", .help = "Generate HOTP code", .run = &HotpCommand::generateCode},
};

HotpCommand::HotpCommand(CLI::App& root)
    : AppletCommand(root, "hotp", "HOTP management operations") {
    holdsSecrets({&pin, &newPin, &key});
    addActionsThrough(actions, "--info");
    addPinFormatOption(*app, pinFormat, {"--pin", "--change-pin"});
    checkPin(*app->add_option("-p,--pin", pin,
                              "PIN to authenticate an operation. The PIN must be 4 to 8 bytes in "
                              "length, in the format specified by the --pin-format option"));
    addActionsThrough(actions, "--change-pin");
    addCredentialOptions();
    addActionsThrough(actions, "--gen-hotp");
    addReaderOption(*app, readerName, appletReaderHelp);
    app->footer(secretEntryHelp);
}

void HotpCommand::addCredentialOptions() {
    addKeyFormatOption(*app, keyFormat);
    app->add_option("--key", key,
                    "Set a key for HOTP. The key must be a hex encoded string and the length is "
                    "between 16 and 64")
        ->transform(applyKeyFormat(keyFormat))
        ->transform(readSecretOnDash(secretPrompt("HOTP key")))
        ->check(keyLengthCheck(hotpMinimumKeyLength, hotpMaximumKeyLength));
    app->add_option("--counter", counter, "Set the counter for HOTP")
        ->transform(counterAsDecimal());
    app->add_option("--otp-length", otpLength, "Set the length of the generated one time passwords")
        ->check(CLI::IsMember(
            {std::to_string(hotpShortCodeLength), std::to_string(hotpLongCodeLength)}))
        ->capture_default_str();
}

// "-" is read first, then the PIN format applies, so that the length is counted in bytes.
void HotpCommand::checkPin(CLI::Option& option) {
    const SecretPrompt prompt =
        option.get_name() == "--pin" ? secretPrompt("PIN") : newSecretPrompt("PIN");
    option.transform(applyPinFormat(pinFormat))
        ->transform(readSecretOnDash(prompt))
        ->check(pinLengthCheck(hotpMinimumPinLength, hotpMaximumPinLength));
}
