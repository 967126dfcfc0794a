#include "commands/AppletCommand.h"

#include "commands/ReaderOption.h"

#include <optional>

int32_t AppletCommand::execute() {
    const std::optional<size_t> action = requireOneAction();
    if (!action || !resolveReader(readerName, wantedSerial)) {
        return -1;
    }
    return runAction(*action);
}
