#include "commands/KeyIdentity.h"

#include "app/KeyManagementError.h"
#include "commands/SizedRead.h"
#include "device/session/KeyInfo.h"

namespace {

using TextEntryPoint = int32_t (*)(const char*, char*, size_t*);

std::string readText(TextEntryPoint entryPoint, const std::string& readerName) {
    return readSizedText<size_t>([&](char* buffer, size_t* length) {
        return entryPoint(readerName.c_str(), buffer, length);
    });
}

} // namespace

std::string readKeyName(const std::string& readerName) {
    return readText(key_getName, readerName);
}

std::string readKeyVersion(const std::string& readerName) {
    return readText(key_getVersion, readerName);
}

std::string readKeyDate(const std::string& readerName) {
    return readText(key_getDate, readerName);
}

uint64_t readKeySerialNumber(const std::string& readerName) {
    uint64_t serialNumber = 0;
    throwOnError(key_getSerialNumber(readerName.c_str(), &serialNumber));
    return serialNumber;
}
