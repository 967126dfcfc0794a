#include "commands/ReaderOption.h"

#include "app/Output.h"
#include "app/PcscHint.h"
#include "app/PrintableText.h"
#include "commands/KeyReaderSearch.h"
#include "commands/OtpOptionChecks.h"

#include <optional>

void addReaderOption(CLI::App& app, std::string& readerName, std::string& serialNumber,
                     const std::string& help) {
    // A name with control characters names no reader; refusing it spares the connect retry.
    app.add_option("-r,--reader", readerName, help)
        ->check(CLI::Validator(
            [](std::string& name) -> std::string {
                return isPrintableText(name) ? ""
                                             : "The reader name must not contain control "
                                               "characters";
            },
            ""));
    app.add_option("--serial", serialNumber,
                   "The serial number of the Quenlix Key to be selected, as printed by \"info\" "
                   "or \"list --serials\". With --reader, the key in that reader must have it")
        ->type_name("N")
        ->transform(serialNumberAsDecimal());
}

bool resolveReader(std::string& readerName, const std::string& serialNumber) {
    if (!serialNumber.empty()) {
        const uint64_t wanted = std::stoull(serialNumber);
        if (std::optional<std::string> reader = keyReaderWithSerial(wanted, readerName)) {
            readerName = *reader;
            return true;
        }
        reportFailure("Could not find a Quenlix Key with the serial number " + serialNumber,
                      pcscHintForMissingKey());
        return false;
    }
    if (readerName.empty()) {
        readerName = firstKeyReader();
    }
    if (readerName.empty()) {
        reportFailure("Could not connect to any Quenlix Key", pcscHintForMissingKey());
        return false;
    }
    return true;
}
