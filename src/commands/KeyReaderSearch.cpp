#include "commands/KeyReaderSearch.h"

#include "app/KeyManagementError.h"
#include "device/session/KeyReaders.h"
#include "device/transport/DeviceException.h"

std::vector<std::string> keyReaderNames() {
    try {
        return listKeyReaders();
    } catch (const DeviceException& failure) {
        throw keyManagementError(failure.code);
    }
}

std::string firstKeyReader() {
    std::vector<std::string> names = keyReaderNames();
    return names.empty() ? std::string() : names.front();
}
