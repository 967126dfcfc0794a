#pragma once

#include <cstdint>
#include <string>

// The key's identity as the command layer reads it; each throws KeyManagementError.
// Every text costs two sessions (length, then content).
std::string readKeyName(const std::string& readerName);
std::string readKeyVersion(const std::string& readerName);
std::string readKeyDate(const std::string& readerName);
uint64_t readKeySerialNumber(const std::string& readerName);
