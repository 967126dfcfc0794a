#include "app/SecretEntry.h"
#include "commands/PivCommand.h"
#include "commands/PivOptionChecks.h"
#include "commands/ReaderOption.h"
#include "device/piv/Piv.h"

// The actions in the order of the help; the plain options sit between them as the
// constructor registers them.
const std::vector<Action<PivCommand>> PivCommand::actions{
    {.names = "--info",
     .help = "Print information about the connected smartcard reader",
     .run = &PivCommand::showInfo},
    {.names = "--reset",
     .help = "Reset all PIV data and restore default settings. A reset can only be performed if "
             "both PIN and PUK are blocked",
     .run = &PivCommand::reset},
    {.names = "--change-pin",
     .help = "Change authentication PIN",
     .value = &PivCommand::newPin,
     .needs = {"--pin"},
     .checks = &PivCommand::checkPin,
     .run = &PivCommand::changePin},
    {.names = "--unblock-pin",
     .help = "Unblock PIN with PUK",
     .value = &PivCommand::newPin,
     .needs = {"--puk"},
     .checks = &PivCommand::checkPin,
     .run = &PivCommand::unblockPin},
    {.names = "--change-puk",
     .help = "Change PUK",
     .value = &PivCommand::newPuk,
     .needs = {"--puk"},
     .checks = &PivCommand::checkPuk,
     .run = &PivCommand::changePuk},
    {.names = "--set-management-key",
     .help = "Set management key. The key must be given as a hex encoded string",
     .value = &PivCommand::newManagementKey,
     .needs = {"--management-key"},
     .checks = &PivCommand::checkManagementKey,
     .run = &PivCommand::setManagementKey},
    {.names = "--configure-retries",
     .help = "Configure PIN and PUK retries and restore default PIN and PUK",
     .needs = {"--management-key", "--pin"},
     .run = &PivCommand::configureRetries},
    {.names = "-l,--list-certificates",
     .help = "List all certificates on the card",
     .run = &PivCommand::listCertificates},
    {.names = "--generate-key-pair",
     .help = "Generate a new key pair and print public key to output file or stdout",
     .value = &PivCommand::slot,
     .needs = {"--management-key"},
     .checks = &PivCommand::checkSlot,
     .run = &PivCommand::generateKeyPair},
    {.names = "--request-certificate",
     .help = "Create a certificate signing request including public key from input file and "
             "print to output file or stdout",
     .value = &PivCommand::slot,
     .needs = {"--pin", "--input"},
     .checks = &PivCommand::checkSlot,
     .run = &PivCommand::requestCertificate},
    {.names = "--generate-certificate",
     .help = "Create a self-signed certificate including public key from input file, signed by "
             "the key in the specified slot, and print to output file or stdout",
     .value = &PivCommand::slot,
     .needs = {"--pin", "--input"},
     .checks = &PivCommand::checkSlot,
     .run = &PivCommand::generateCertificate},
    {.names = "--import-key",
     .help = "Import a private key in the specified slot",
     .value = &PivCommand::slot,
     .needs = {"--management-key", "--input"},
     .checks = &PivCommand::checkSlot,
     .run = &PivCommand::importKey},
    {.names = "--import-certificate",
     .help = "Import a certificate in the specified slot",
     .value = &PivCommand::slot,
     .needs = {"--management-key", "--input"},
     .checks = &PivCommand::checkSlot,
     .run = &PivCommand::importCertificate},
    {.names = "--read-certificate",
     .help = "Read certificate in the specified slot and print to output file or stdout",
     .value = &PivCommand::slot,
     .checks = &PivCommand::checkSlot,
     .run = &PivCommand::readCertificate},
    {.names = "-d,--delete-certificate",
     .help = "Delete a certificate in the specified slot",
     .value = &PivCommand::slot,
     .needs = {"--management-key"},
     .checks = &PivCommand::checkSlot,
     .run = &PivCommand::deleteCertificate},
    {.names = "--set-ccc",
     .help = "Set card capability container as specified in NIST Government Smart Card "
             "Interoperability Specification version 2.1",
     .needs = {"--management-key"},
     .run = &PivCommand::setCcc},
    {.names = "--set-chuid",
     .help = "Set card holder unique identifier as specified in NIST SP 800-73-4 and TIG SCEPACS "
             "version 2.3",
     .needs = {"--management-key"},
     .run = &PivCommand::setChuid},
};

PivCommand::PivCommand(CLI::App& root) : AppletCommand(root, "piv", "PIV management operations") {
    holdsSecrets({&pin, &newPin, &puk, &newPuk, &managementKey, &newManagementKey});
    app->footer(secretEntryHelp);
    addActionsThrough(actions, "--info");
    addCredentialOptions();
    addActionsThrough(actions, "--set-management-key");
    addRetryOptions();
    addActionsThrough(actions, "--list-certificates");
    addAlgorithmOption();
    addActionsThrough(actions, "--generate-key-pair");
    addRequestOptions();
    addActionsThrough(actions, "--import-certificate");
    app->add_option("--output", outputPath, "Path of output file")->check(outputPathCheck());
    addActionsThrough(actions, "--set-chuid");
    addReaderOption(*app, readerName, wantedSerial, appletReaderHelp);
}

void PivCommand::addCredentialOptions() {
    app->add_option("-p,--pin", pin, "PIN to authenticate an operation")
        ->transform(readPivSecret(secretPrompt("PIN")))
        ->check(pivPinCheck());
    app->add_option("--puk", puk, "PUK to authenticate an operation")
        ->transform(readPivSecret(secretPrompt("PUK")))
        ->check(pivPukCheck());
    app->add_option("-k,--management-key", managementKey,
                    "Management key to authenticate an admin operation")
        ->transform(readPivSecret(secretPrompt("Management key")))
        ->check(managementKeyCheck());
}

// A secret read from standard input, which --input may want too.
CLI::Validator PivCommand::readPivSecret(SecretPrompt prompt) {
    return readSecretOnDash(std::move(prompt), [this]() -> std::string {
        const CLI::Option* input = app->get_option("--input");
        const bool readsStandardInput =
            !input->results().empty() && namesStandardInput(input->results().front());
        return readsStandardInput ? "--input" : "";
    });
}

void PivCommand::addRetryOptions() {
    app->add_option("--pin-retries", pinRetries, "Number of retries before the PIN is blocked")
        ->transform(retryCountAsDecimal())
        ->capture_default_str();
    app->add_option("--puk-retries", pukRetries, "Number of retries before the PUK is blocked")
        ->transform(retryCountAsDecimal())
        ->capture_default_str();
}

void PivCommand::addAlgorithmOption() {
    app->add_option("--algorithm", algorithm, "Algorithm used in key pair generation")
        ->transform(CLI::CheckedTransformer(pivAlgorithmNames())
                        .description("value in {RSA1024,RSA2048,ECCP256,ECCP384}"))
        ->type_name("ENUM")
        ->default_str("RSA2048");
    app->add_option("--pin-policy", pinPolicy,
                    "PIN policy of a generated or imported key: default, never, once or always")
        ->transform(policyNames(pivPinPolicyNames))
        ->type_name("ENUM");
    app->add_option("--touch-policy", touchPolicy,
                    "Touch policy of a generated or imported key: default, never, always or "
                    "cached")
        ->transform(policyNames(pivTouchPolicyNames))
        ->type_name("ENUM");
}

void PivCommand::addRequestOptions() {
    app->add_option("--input", inputPath, "Path of input file");
    app->add_option("--common-name", commonName,
                    "Common name to use in a certificate signing request");
    app->add_option("--country", country, "Country to use in a certificate signing request")
        ->check(countryCheck());
    app->add_option("--organization-name", organizationName,
                    "Organization name to use in a certificate signing request");
    app->add_option("--organization-unit", organizationUnit,
                    "Organization unit to use in a certificate signing request");
    app->add_option("--subject-alt-name", subjectAltNames,
                    "Subject alternative name to use in a certificate signing request or "
                    "certificate: DNS:name, email:address, URI:uri or IP:address. May be given "
                    "more than once")
        ->check(subjectAltNameCheck())
        ->type_name("NAME")
        ->allow_extra_args(false);
    app->add_option("--valid-days", validDays,
                    "Number of days a generated certificate is valid, from now")
        ->check(CLI::Range(static_cast<int32_t>(pivMinimumValidDays),
                           static_cast<int32_t>(pivMaximumValidDays)))
        ->capture_default_str();
}

// The checks of the new PIN, PUK and management key; "-" reads them.
void PivCommand::checkPin(CLI::Option& option) {
    option.transform(readPivSecret(newSecretPrompt("PIN")))->check(pivPinCheck());
}

void PivCommand::checkPuk(CLI::Option& option) {
    option.transform(readPivSecret(newSecretPrompt("PUK")))->check(pivPukCheck());
}

void PivCommand::checkManagementKey(CLI::Option& option) {
    option.transform(readPivSecret(newSecretPrompt("management key")))->check(managementKeyCheck());
}

void PivCommand::checkSlot(CLI::Option& option) {
    option.check(CLI::IsMember(pivSlotNames(), CLI::ignore_case));
}
