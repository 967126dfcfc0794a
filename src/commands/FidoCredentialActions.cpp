#include "app/PrintableText.h"
#include "commands/FidoCommand.h"
#include "commands/PivObjectText.h"
#include "encoding/Hex.h"
#include "fido/FidoCredentials.h"
#include "fido/FidoDevice.h"

#include <iostream>

namespace {

// A name from the key, with what it may add in parentheses; both escaped for the terminal.
std::string nameWithDetail(const std::string& name, const std::string& detail) {
    return printableText(name) + (detail.empty() ? "" : " (" + printableText(detail) + ")");
}

} // namespace

int32_t FidoCommand::listCredentials() {
    const FidoCredentialListing listing = fidoListCredentials(fidoPath, pin);
    std::cout << "Discoverable credentials:\t" << listing.existing << " / "
              << listing.existing + listing.remaining << std::endl;
    for (const FidoRelyingParty& party : listing.relyingParties) {
        std::cout << "Relying party: " << nameWithDetail(party.id, party.name) << std::endl;
        for (const FidoCredential& credential : party.credentials) {
            std::cout << "\tUser:\t\t"
                      << nameWithDetail(credential.userName, credential.displayName) << std::endl;
            std::cout << "\tUser ID:\t" << hexText(credential.userId) << std::endl;
            std::cout << "\tCredential ID:\t" << hexText(credential.credentialId) << std::endl;
        }
    }
    return 0;
}

int32_t FidoCommand::deleteCredential() {
    fidoDeleteCredential(fidoPath, pin, hexToBytes(credentialIdHex));
    std::cout << "Successfully deleted credential" << std::endl;
    return 0;
}

int32_t FidoCommand::showPinRetries() {
    std::cout << "PIN retries:\t" << fidoGetRetryCount(fidoPath) << std::endl;
    return 0;
}

// Hex text of any case that decodes to at least one byte.
void FidoCommand::checkCredentialId(CLI::Option& option) {
    option.check(CLI::Validator(
        [](std::string& text) -> std::string {
            try {
                if (!hexToBytes(text).empty()) {
                    return "";
                }
            } catch (const std::runtime_error&) {
            }
            return "The credential ID must be given as hex digits, two for each byte";
        },
        ""));
}
