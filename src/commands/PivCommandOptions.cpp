#include "app/SecretEntry.h"
#include "commands/PivCommand.h"
#include "commands/PivOptionChecks.h"
#include "commands/ReaderOption.h"

PivCommand::PivCommand(CLI::App& root) : AppletCommand(root, "piv", "PIV management operations") {
    holdsSecrets({&pin, &newPin, &puk, &newPuk, &managementKey, &newManagementKey});
    app->footer(secretEntryHelp);
    registerCredentialOptions();
    registerKeyOptions();
    registerCertificateOptions();
    addReaderOption(*app, readerName, appletReaderHelp);
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

void PivCommand::registerCredentialOptions() {
    addAction(addFlag("--info", "Print information about the connected smartcard reader"));
    CLI::Option* pinOption = app->add_option("-p,--pin", pin, "PIN to authenticate an operation")
                                 ->transform(readPivSecret(secretPrompt("PIN")))
                                 ->check(pivPinCheck());
    CLI::Option* pukOption = app->add_option("--puk", puk, "PUK to authenticate an operation")
                                 ->transform(readPivSecret(secretPrompt("PUK")))
                                 ->check(pivPukCheck());
    CLI::Option* keyOption = app->add_option("-k,--management-key", managementKey,
                                             "Management key to authenticate an admin operation")
                                 ->transform(readPivSecret(secretPrompt("Management key")))
                                 ->check(managementKeyCheck());
    addAction(addFlag("--reset", "Reset all PIV data and restore default settings. A reset can "
                                 "only be performed if both PIN and PUK are blocked"));
    addAction(app->add_option("--change-pin", newPin, "Change authentication PIN")
                  ->transform(readPivSecret(newSecretPrompt("PIN")))
                  ->check(pivPinCheck())
                  ->needs(pinOption));
    addAction(app->add_option("--unblock-pin", newPin, "Unblock PIN with PUK")
                  ->transform(readPivSecret(newSecretPrompt("PIN")))
                  ->check(pivPinCheck())
                  ->needs(pukOption));
    addAction(app->add_option("--change-puk", newPuk, "Change PUK")
                  ->transform(readPivSecret(newSecretPrompt("PUK")))
                  ->check(pivPukCheck())
                  ->needs(pukOption));
    addAction(app->add_option("--set-management-key", newManagementKey,
                              "Set management key. The key must be given as a hex encoded string")
                  ->transform(readPivSecret(newSecretPrompt("management key")))
                  ->check(managementKeyCheck())
                  ->needs(keyOption));
    app->add_option("--pin-retries", pinRetries, "Number of retries before the PIN is blocked")
        ->transform(retryCountAsDecimal())
        ->capture_default_str();
    app->add_option("--puk-retries", pukRetries, "Number of retries before the PUK is blocked")
        ->transform(retryCountAsDecimal())
        ->capture_default_str();
    addAction(addFlag("--configure-retries",
                      "Configure PIN and PUK retries and restore default PIN and PUK")
                  ->needs(keyOption)
                  ->needs(pinOption));
}

void PivCommand::registerKeyOptions() {
    CLI::Option* keyOption = app->get_option("--management-key");
    addAction(addFlag("-l,--list-certificates", "List all certificates on the card"));
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
    addAction(app->add_option("--generate-key-pair", slot,
                              "Generate a new key pair and print public key to output file or "
                              "stdout")
                  ->check(CLI::IsMember(pivSlotNames(), CLI::ignore_case))
                  ->needs(keyOption));
    CLI::Option* inputOption = app->add_option("--input", inputPath, "Path of input file");
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
    addAction(app->add_option("--request-certificate", slot,
                              "Create a certificate signing request including public key from "
                              "input file and print to output file or stdout")
                  ->check(CLI::IsMember(pivSlotNames(), CLI::ignore_case))
                  ->needs(app->get_option("--pin"))
                  ->needs(inputOption));
    addAction(app->add_option("--generate-certificate", slot,
                              "Create a self-signed certificate including public key from input "
                              "file, signed by the key in the specified slot, and print to "
                              "output file or stdout")
                  ->check(CLI::IsMember(pivSlotNames(), CLI::ignore_case))
                  ->needs(app->get_option("--pin"))
                  ->needs(inputOption));
    addAction(app->add_option("--import-key", slot, "Import a private key in the specified slot")
                  ->check(CLI::IsMember(pivSlotNames(), CLI::ignore_case))
                  ->needs(keyOption)
                  ->needs(inputOption));
}

void PivCommand::registerCertificateOptions() {
    CLI::Option* keyOption = app->get_option("--management-key");
    addAction(
        app->add_option("--import-certificate", slot, "Import a certificate in the specified slot")
            ->check(CLI::IsMember(pivSlotNames(), CLI::ignore_case))
            ->needs(keyOption)
            ->needs(app->get_option("--input")));
    app->add_option("--output", outputPath, "Path of output file")->check(outputPathCheck());
    addAction(app->add_option("--read-certificate", slot,
                              "Read certificate in the specified slot and print to output file "
                              "or stdout")
                  ->check(CLI::IsMember(pivSlotNames(), CLI::ignore_case)));
    addAction(app->add_option("-d,--delete-certificate", slot,
                              "Delete a certificate in the specified slot")
                  ->check(CLI::IsMember(pivSlotNames(), CLI::ignore_case))
                  ->needs(keyOption));
    addAction(addFlag("--set-ccc", "Set card capability container as specified in NIST "
                                   "Government Smart Card Interoperability Specification "
                                   "version 2.1")
                  ->needs(keyOption));
    addAction(addFlag("--set-chuid", "Set card holder unique identifier as specified in NIST SP "
                                     "800-73-4 and TIG SCEPACS version 2.3")
                  ->needs(keyOption));
}
