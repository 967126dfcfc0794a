#include "device/otp/VersionText.h"

#include "device/transport/DeviceException.h"

std::string versionText(const std::vector<uint32_t>& parts) {
    if (parts.empty()) {
        throw DeviceException(QUENLIX_KEY_ERROR_INVALID_RESPONSE, 0);
    }
    std::string text = "v";
    for (size_t index = 0; index < parts.size(); ++index) {
        if (index > 0) {
            text += ".";
        }
        text += std::to_string(parts[index]);
    }
    return text;
}
