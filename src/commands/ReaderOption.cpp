#include "commands/ReaderOption.h"

#include "app/Output.h"
#include "commands/KeyReaderSearch.h"

CLI::Option* addReaderOption(CLI::App& app, std::string& readerName, const std::string& help) {
    return app.add_option("-r,--reader", readerName, help);
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
