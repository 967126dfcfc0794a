#include "app/SecretEntry.h"
#include "app/SecretFormats.h"
#include "commands/OtpOptionChecks.h"
#include "commands/OtpUriOption.h"
#include "commands/PinLengthCheck.h"
#include "commands/ReaderOption.h"
#include "commands/TotpCommand.h"
#include "device/otp/Totp.h"

#include <map>

// The actions in the order of the help; the plain options sit between them as the
// constructor registers them.
const std::vector<Action<TotpCommand>> TotpCommand::actions{
    {.names = "--info",
     .help = "Print the information about the connected smartcard reader",
     .run = &TotpCommand::showInfo},
    {.names = "--pin-info",
     .help = "Print the information about TOTP generation PIN",
     .run = &TotpCommand::showPinInfo},
    {.names = "-l,--list-slots",
     .help = "List all TOTP slots on the card",
     .run = &TotpCommand::listSlots},
    {.names = "--reset",
     .help = "Deletes all configured TOTP slots and resets the TOTP Generation PIN",
     .run = &TotpCommand::reset},
    {.names = "--reset-pin",
     .help = "Deletes all PIN-protected TOTP slots and resets the TOTP Generation PIN",
     .run = &TotpCommand::resetPin},
    {.names = "--set-pin",
     .help = "Set the PIN for generating TOTP codes of PIN protected slots. This only works when "
             "no PIN is set. The PIN must be 4 to 16 bytes in length, in the format specified by "
             "the --pin-format option",
     .value = &TotpCommand::newPin,
     .checks = &TotpCommand::checkPin,
     .run = &TotpCommand::setPin},
    {.names = "--change-pin",
     .help = "Change the PIN for generating TOTP codes of PIN protected slots. The PIN must be 4 "
             "to 16 bytes in length, in the format specified by the --pin-format option",
     .value = &TotpCommand::newPin,
     .needs = {"--pin"},
     .checks = &TotpCommand::checkPin,
     .run = &TotpCommand::changePin},
    {.names = "--conf-slot",
     .help = "Configures the specified TOTP slot. If the slot is not specified, the first free "
             "slot will be used",
     .needs = {"--account", "--key"},
     .run = &TotpCommand::configureSlot},
    {.names = "--clear-slot",
     .help = "Clear/reset the specified TOTP slot",
     .needs = {"--slot-index"},
     .run = &TotpCommand::clearSlot},
    {.names = "--gen-totp",
     .help = "Generate TOTP code for the specified slot",
     .needs = {"--slot-index"},
     .run = &TotpCommand::generateCode},
};

TotpCommand::TotpCommand(CLI::App& root)
    : AppletCommand(root, "totp", "TOTP management operations") {
    holdsSecrets({&pin, &newPin, &key, &uri});
    app->footer(secretEntryHelp);
    addActionsThrough(actions, "--reset-pin");
    addPinFormatOption(*app, pinFormat, {"--pin", "--set-pin", "--change-pin"});
    checkPin(*app->add_option("-p,--pin", pin,
                              "PIN to authenticate an operation. The PIN must be 4 to 16 bytes in "
                              "length, in the format specified by the --pin-format option"));
    addActionsThrough(actions, "--change-pin");
    addSlotOptions();
    addActionsThrough(actions, "--gen-totp");
    addReaderOption(*app, readerName, wantedSerial, appletReaderHelp);
}

// "-" is read first, then the PIN format applies, so that the length is counted in bytes.
void TotpCommand::checkPin(CLI::Option& option) {
    const SecretPrompt prompt =
        option.get_name() == "--pin" ? secretPrompt("PIN") : newSecretPrompt("PIN");
    option.transform(applyPinFormat(pinFormat))
        ->transform(readSecretOnDash(prompt))
        ->check(pinLengthCheck(totpMinimumPinLength, totpMaximumPinLength));
}

void TotpCommand::addSlotOptions() {
    addFlag("--pin-protected", "Set the PIN-protected flag for the TOTP slot");
    const std::map<std::string, int32_t> hashAlgorithms{
        {"SHA1", totpSha1}, {"SHA256", totpSha256}, {"SHA512", totpSha512}};
    app->add_option("--hmac", hashAlgorithm, "Set the HMAC hash function for the TOTP slot")
        ->transform(
            CLI::CheckedTransformer(hashAlgorithms).description("value in {SHA1,SHA256,SHA512}"))
        ->default_str("SHA1");
    app->add_option("--otp-length", digits,
                    "Set the length of the generated one time passwords for the TOTP slot")
        ->check(totpDigitsCheck())
        ->capture_default_str();
    app->add_option("--period", period,
                    "Set the time period/interval for the TOTP algorithm in seconds")
        ->transform(periodAsDecimal())
        ->capture_default_str();
    app->add_option("--account", account,
                    "Name of the account that is secured with the configured OTP. It must not "
                    "exceed 60 characters in length")
        ->check(nameLengthCheck("account"));
    app->add_option("--issuer", issuer,
                    "The provider or service name linked to the account. It must not exceed 60 "
                    "characters in length")
        ->check(nameLengthCheck("issuer"));
    addKeyFormatOption(*app, keyFormat);
    app->add_option("--key", key,
                    "The TOTP key. The key must encoded in the format specified by the "
                    "--key-format option. Raw key length (in bytes) should be in the 16..64 range")
        ->transform(applyKeyFormat(keyFormat))
        ->transform(readSecretOnDash(secretPrompt("TOTP key")))
        ->check(keyLengthCheck(totpMinimumKeyLength, totpMaximumKeyLength));
    addUriOption(*app, uri,
                 "An otpauth://totp/ URI (the text of an enrolment QR code) that gives the key, "
                 "account, issuer, HMAC, OTP length and period of --conf-slot in place of those "
                 "options",
                 "totp", "--conf-slot", {"--account", "--key"},
                 [this](const OtpAuthUri& parts) { return uriParts(parts); });
    app->add_option("--slot-index", slotIndex,
                    "The TOTP slot for the --conf-slot, --clear-slot or --gen-totp option")
        ->check(CLI::Range(int32_t{0}, int32_t{totpHighestSlot}));
}

// The URI's parts with the checks of the options they stand for.
std::vector<UriPart> TotpCommand::uriParts(const OtpAuthUri& parts) {
    const auto algorithm = parts.algorithm ? std::optional(std::to_string(*parts.algorithm))
                                           : std::optional<std::string>();
    return {
        {"account", "--account", parts.account, false, asCheck(nameLengthCheck("account")),
         [this](const std::string& text) { account = text; }},
        {"issuer", "--issuer", parts.issuer, false, asCheck(nameLengthCheck("issuer")),
         [this](const std::string& text) { issuer = text; }},
        {"secret", "--key", parts.keyHex, true,
         asCheck(keyLengthCheck(totpMinimumKeyLength, totpMaximumKeyLength)),
         [this](const std::string& text) { key = text; }},
        {"algorithm", "--hmac", algorithm, false, CLI::Validator(), storeNumber(hashAlgorithm)},
        {"digits", "--otp-length", parts.digits, false, asCheck(totpDigitsCheck()),
         storeNumber(digits)},
        {"period", "--period", parts.period, false, periodAsDecimal(), storeNumber(period)},
    };
}
