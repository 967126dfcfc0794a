#pragma once

#include "app/Command.h"

// "list": the smart-card readers that hold a key and the paths of the FIDO2 devices.
class ListCommand : public Command {
public:
    explicit ListCommand(CLI::App& root);

    int32_t execute() override;

    bool readersOnly = false;
    bool fidoPathsOnly = false;
    bool serials = false;

private:
    int32_t listReaders();
    int32_t listFidoPaths();
    int32_t listSerials();
};
