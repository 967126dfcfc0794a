#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Display text of an authenticator protocol version string; unknown strings show as
// themselves.
std::string protocolName(const std::string& version);

// "major.minor.build" from the CTAPHID version bytes.
std::string formatDeviceVersion(uint8_t major, uint8_t minor, uint8_t build);

// 32 upper-case hex digits, nothing between the bytes.
std::string formatAaguid(const std::vector<uint8_t>& aaguid);
