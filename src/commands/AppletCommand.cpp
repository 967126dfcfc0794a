#include "commands/AppletCommand.h"

#include "commands/ReaderOption.h"

#include <optional>

int32_t AppletCommand::execute() {
    std::optional<std::string> action = requireOneAction();
    if (!action) {
        return -1;
    }
    if (!resolveReader(readerName)) {
        return -1;
    }
    return run(*action);
}
