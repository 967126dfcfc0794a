#include "commands/InfoCommand.h"

#include "app/KeyManagementError.h"
#include "commands/KeyIdentity.h"
#include "commands/ReaderOption.h"
#include "device/transport/QuenlixKeyError.h"

#include <iostream>

InfoCommand::InfoCommand(CLI::App& root)
    : Command(root, "info", "Print information about your Quenlix Key") {
    addReaderOption(*app, readerName, wantedSerial, infoReaderHelp);
}

int32_t InfoCommand::execute() {
    if (!resolveReader(readerName, wantedSerial)) {
        return -1;
    }
    // Each value is read whole before its line is written.
    std::string name = readKeyName(readerName);
    std::cout << "Name:\t\t" << name << std::endl;
    std::string version = readKeyVersion(readerName);
    std::cout << "Version:\t" << version << std::endl;
    std::string date = readKeyDate(readerName);
    std::cout << "Date:\t\t" << date << std::endl;
    printSerialNumber();
    return 0;
}

// A key without a serial number shows none.
void InfoCommand::printSerialNumber() const {
    uint64_t serialNumber = 0;
    try {
        serialNumber = readKeySerialNumber(readerName);
    } catch (const KeyManagementError& error) {
        if (error.code == QUENLIX_KEY_ERROR_NOT_FOUND) {
            return;
        }
        throw;
    }
    std::cout << "Serial Number:\t" << serialNumber << std::endl;
}
