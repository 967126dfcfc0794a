#include "commands/KeyReaderSearch.h"

#include "app/KeyManagementError.h"
#include "commands/KeyIdentity.h"
#include "device/session/KeyReaders.h"
#include "device/transport/DeviceException.h"
#include "device/transport/QuenlixKeyError.h"

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

std::optional<uint64_t> keySerialNumber(const std::string& readerName) {
    try {
        return readKeySerialNumber(readerName);
    } catch (const KeyManagementError& error) {
        if (error.code == QUENLIX_KEY_ERROR_NOT_FOUND) {
            return std::nullopt;
        }
        throw;
    }
}

std::vector<std::pair<std::string, std::optional<uint64_t>>> keyReaderSerials() {
    std::vector<std::pair<std::string, std::optional<uint64_t>>> serials;
    for (std::string& reader : keyReaderNames()) {
        std::optional<uint64_t> serialNumber = keySerialNumber(reader);
        serials.emplace_back(std::move(reader), serialNumber);
    }
    return serials;
}

std::optional<std::string> keyReaderWithSerial(uint64_t serialNumber,
                                               const std::string& readerName) {
    if (!readerName.empty()) {
        return keySerialNumber(readerName) == serialNumber ? std::optional(readerName)
                                                           : std::nullopt;
    }
    for (std::string& reader : keyReaderNames()) {
        if (keySerialNumber(reader) == serialNumber) {
            return reader;
        }
    }
    return std::nullopt;
}
