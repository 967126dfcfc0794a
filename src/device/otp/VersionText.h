#pragma once

#include <cstdint>
#include <string>
#include <vector>

// "v" and the decimal value of each part, separated by "." (1, 4, 0 -> "v1.4.0").
// Throws DeviceException QUENLIX_KEY_ERROR_INVALID_RESPONSE for no parts: the applet reported
// no version.
std::string versionText(const std::vector<uint32_t>& parts);
