#include "commands/PivObjectText.h"

#include "app/JoinStrings.h"
#include "commands/SizedRead.h"
#include "encoding/Hex.h"

std::vector<uint8_t> readPivObject(const std::string& readerName, PivObjectEntryPoint entryPoint) {
    return readSized<uint8_t, uint64_t>([&readerName, entryPoint](uint8_t* data, uint64_t* size) {
        return entryPoint(readerName.c_str(), data, size);
    });
}

std::string hexText(const std::vector<uint8_t>& bytes) {
    return joinStrings(bytesToHexList(bytes), "");
}
