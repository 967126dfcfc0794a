#pragma once

#include "app/Command.h"

#include <cstdint>
#include <string>

// A smart-card command that performs exactly one of its actions on one key reader.
class AppletCommand : public Command {
public:
    using Command::Command;

    // Checks for a single action, resolves the reader, then runs the action.
    int32_t execute() final;

protected:
    // Bound to "-r,--reader"; filled with the first key reader when not given.
    std::string readerName;
    // Bound to "--serial"; empty when not given.
    std::string wantedSerial;
};
