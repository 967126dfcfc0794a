#include "app/SecretEntry.h"
#include "app/SecretFormats.h"
#include "commands/HotpCommand.h"
#include "commands/OtpOptionChecks.h"
#include "commands/OtpUriOption.h"
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
    holdsSecrets({&pin, &newPin, &key, &uri});
    addActionsThrough(actions, "--info");
    addPinFormatOption(*app, pinFormat, {"--pin", "--change-pin"});
    checkPin(*app->add_option("-p,--pin", pin,
                              "PIN to authenticate an operation. The PIN must be 4 to 8 bytes in "
                              "length, in the format specified by the --pin-format option"));
    addActionsThrough(actions, "--change-pin");
    addCredentialOptions();
    addActionsThrough(actions, "--gen-hotp");
    addReaderOption(*app, readerName, wantedSerial, appletReaderHelp);
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
    addUriOption(*app, uri,
                 "An otpauth://hotp/ URI (the text of an enrolment QR code) that gives the key, "
                 "counter and OTP length of --configure in place of those options",
                 "hotp", "--configure", {"--key", "--counter"},
                 [this](const OtpAuthUri& parts) { return uriParts(parts); });
    app->add_option("--counter", counter, "Set the counter for HOTP")
        ->transform(counterAsDecimal());
    app->add_option("--otp-length", otpLength, "Set the length of the generated one time passwords")
        ->check(hotpCodeLengthCheck())
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

// The URI's parts with the checks of the options they stand for. The applet computes SHA1
// codes only; the label names nothing the applet keeps.
std::vector<UriPart> HotpCommand::uriParts(const OtpAuthUri& parts) {
    const auto algorithm = parts.algorithm ? std::optional(std::to_string(*parts.algorithm))
                                           : std::optional<std::string>();
    const CLI::Validator sha1Only(
        [](std::string& code) -> std::string {
            return code == "0" ? "" : "The HOTP applet computes SHA1 codes only";
        },
        "");
    return {
        {"secret", "--key", parts.keyHex, true,
         asCheck(keyLengthCheck(hotpMinimumKeyLength, hotpMaximumKeyLength)),
         [this](const std::string& text) { key = text; }},
        {"algorithm", "", algorithm, false, asCheck(sha1Only), [](const std::string&) {}},
        {"digits", "--otp-length", parts.digits, false, asCheck(hotpCodeLengthCheck()),
         storeNumber(otpLength)},
        {"counter", "--counter", parts.counter, true, counterAsDecimal(), storeNumber(counter)},
    };
}
