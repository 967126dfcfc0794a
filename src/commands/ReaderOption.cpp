#include "commands/ReaderOption.h"

#include "app/Output.h"
#include "app/PrintableText.h"
#include "commands/KeyReaderSearch.h"

CLI::Option* addReaderOption(CLI::App& app, std::string& readerName, const std::string& help) {
    // A name with control characters names no reader; refusing it spares the connect retry.
    return app.add_option("-r,--reader", readerName, help)
        ->check(CLI::Validator(
            [](std::string& name) -> std::string {
                return isPrintableText(name) ? ""
                                             : "The reader name must not contain control "
                                               "characters";
            },
            ""));
}

bool resolveReader(std::string& readerName) {
    if (readerName.empty()) {
        readerName = firstKeyReader();
    }
    if (readerName.empty()) {
        reportFailure("Could not connect to any Quenlix Key");
        return false;
    }
    return true;
}
