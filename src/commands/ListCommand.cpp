#include "commands/ListCommand.h"

#include "app/JoinStrings.h"
#include "app/Output.h"
#include "app/PcscHint.h"
#include "app/PrintableText.h"
#include "commands/KeyReaderSearch.h"
#include "fido/FidoDevice.h"
#include "fido/FidoDeviceList.h"

#include <iostream>
#include <string>
#include <vector>

ListCommand::ListCommand(CLI::App& root)
    : Command(root, "list", "List connected smartcard readers and FIDO device paths") {
    app->add_flag("-r,--reader", readersOnly, "List only smartcard readers");
    CLI::Option* fidoPaths =
        app->add_flag("-f,--fido-path", fidoPathsOnly, "List only FIDO device paths");
    app->add_flag("--serials", serials,
                  "List only the smartcard readers that hold a key, each with a tab and the key's "
                  "serial number (nothing after the tab when the key reports none)")
        ->excludes(app->get_option("-r"))
        ->excludes(fidoPaths);
}

// No flag or both flags list both kinds.
int32_t ListCommand::execute() {
    if (serials) {
        return listSerials();
    }
    if (readersOnly || !fidoPathsOnly) {
        if (listReaders() != 0) {
            return -1;
        }
    }
    if (readersOnly && !fidoPathsOnly) {
        return 0;
    }
    return listFidoPaths();
}

int32_t ListCommand::listReaders() {
    std::vector<std::string> readers = keyReaderNames();
    if (readers.empty()) {
        return reportFailure("No smartcard readers found", pcscHintForMissingKey());
    }
    std::cout << "Smartcard readers:" << std::endl;
    for (const std::string& reader : readers) {
        std::cout << printableText(reader) << std::endl;
    }
    return 0;
}

// For scripts: no heading, one "reader<TAB>serial" line per key.
int32_t ListCommand::listSerials() {
    const auto readers = keyReaderSerials();
    if (readers.empty()) {
        return reportFailure("No smartcard readers found", pcscHintForMissingKey());
    }
    for (const auto& [reader, serialNumber] : readers) {
        std::cout << printableText(reader) << '\t'
                  << (serialNumber ? std::to_string(*serialNumber) : "") << std::endl;
    }
    return 0;
}

// Every FIDO2 authenticator is listed, not only keys; U2F-only devices are left out.
int32_t ListCommand::listFidoPaths() {
    FidoDeviceList devices;
    std::vector<std::string> paths;
    for (const FidoDeviceEntry& device : devices.entries()) {
        std::string path = device.path();
        if (fidoIsFido2(path)) {
            paths.push_back(path);
        }
    }
    if (paths.empty()) {
        return reportFailure("No FIDO devices found. Plug in your Quenlix Key or try again with "
                             "administrator rights");
    }
    std::cout << "FIDO device paths:" << std::endl << joinStrings(paths, "\n") << std::endl;
    return 0;
}
