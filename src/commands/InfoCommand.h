#pragma once

#include "app/Command.h"

#include <string>

// "info": name, version, production date and serial number of one key.
class InfoCommand : public Command {
public:
    explicit InfoCommand(CLI::App& root);

    int32_t execute() override;

private:
    void printSerialNumber() const;

    std::string readerName;
    // Bound to "--serial"; empty when not given.
    std::string wantedSerial;
};
