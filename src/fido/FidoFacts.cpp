#include "fido/FidoFacts.h"

#include "encoding/Hex.h"

#include <map>

std::string protocolName(const std::string& version) {
    static const std::map<std::string, std::string> names = {
        {"FIDO_2_0", "CTAP 2.0"},
        {"FIDO_2_1", "CTAP 2.1"},
        {"FIDO_2_1_PRE", "CTAP 2.1 (preview)"},
        {"U2F_V2", "U2F"},
    };
    auto found = names.find(version);
    return found == names.end() ? version : found->second;
}

std::string formatDeviceVersion(uint8_t major, uint8_t minor, uint8_t build) {
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build);
}

std::string formatAaguid(const std::vector<uint8_t>& aaguid) {
    std::string digits;
    for (const std::string& pair : bytesToHexList(aaguid, "")) {
        digits += pair;
    }
    return digits;
}
