#include "app/SecretEntry.h"
#include "commands/FidoCommand.h"

// The actions in the order of the help; the plain options sit between them as the
// constructor registers them.
const std::vector<Action<FidoCommand>> FidoCommand::actions{
    {.names = "--info",
     .help = "Print information about the connected FIDO device",
     .run = &FidoCommand::printInfo},
    {.names = "--set-pin",
     .help = "Set the PIN. This only works when no PIN is set",
     .value = &FidoCommand::newPin,
     .checks = &FidoCommand::readNewPinOnDash,
     .run = &FidoCommand::setPin},
    {.names = "--change-pin",
     .help = "Change authentication PIN",
     .value = &FidoCommand::newPin,
     .needs = {"--pin"},
     .checks = &FidoCommand::readNewPinOnDash,
     .run = &FidoCommand::changePin},
    {.names = "--reset",
     .help = "Reset the device. This will erase all credentials and the PIN",
     .run = &FidoCommand::reset},
    {.names = "--list-credentials",
     .help = "List the discoverable credentials (passkeys) on the device with their relying "
             "parties",
     .needs = {"--pin"},
     .run = &FidoCommand::listCredentials},
    {.names = "--delete-credential",
     .help = "Delete the discoverable credential with this credential ID (hex), as listed by "
             "--list-credentials",
     .value = &FidoCommand::credentialIdHex,
     .needs = {"--pin"},
     .checks = &FidoCommand::checkCredentialId,
     .run = &FidoCommand::deleteCredential},
    {.names = "--pin-retries",
     .help = "Print the number of PIN retries left",
     .run = &FidoCommand::showPinRetries},
};

FidoCommand::FidoCommand(CLI::App& root) : Command(root, "fido", "FIDO2 management operations") {
    holdsSecrets({&pin, &newPin});
    addActionsThrough(actions, "--info");
    app->add_option("-p,--pin", pin, "PIN to authenticate an operation")
        ->transform(readSecretOnDash(secretPrompt("PIN")));
    addActionsThrough(actions, "--pin-retries");
    fidoPathOption = app->add_option(
        "-f,--fido-path", fidoPath,
        "Path of the FIDO device obtained by the \"list\" command which will be selected for "
        "executing an operation. If not provided, the default path is of the first detected "
        "Quenlix Key.");
    app->footer(secretEntryHelp);
}

void FidoCommand::readNewPinOnDash(CLI::Option& option) {
    option.transform(readSecretOnDash(newSecretPrompt("PIN")));
}
