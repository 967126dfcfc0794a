#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reading and showing the CHUID and CCC objects for the piv command.

using PivObjectEntryPoint = int32_t (*)(const char* readerName, uint8_t* data, uint64_t* size);

// The whole object as the entry point hands it out by the size protocol; throws
// KeyManagementError on failure.
std::vector<uint8_t> readPivObject(const std::string& readerName, PivObjectEntryPoint entryPoint);

// Upper-case hex without separators; empty for no bytes.
std::string hexText(const std::vector<uint8_t>& bytes);
