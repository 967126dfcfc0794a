#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Readers that hold a Quenlix Key, in PC/SC order. Throws KeyManagementError.
std::vector<std::string> keyReaderNames();

// The first reader that holds a key, or the empty text. Throws KeyManagementError.
std::string firstKeyReader();

// The serial number of the key in the reader; nothing when the key reports none. Throws
// KeyManagementError.
std::optional<uint64_t> keySerialNumber(const std::string& readerName);

// The key readers, each with its key's serial number. Throws KeyManagementError.
std::vector<std::pair<std::string, std::optional<uint64_t>>> keyReaderSerials();

// The reader whose key reports the serial number: readerName itself when it is given and its
// key has it, else the first key reader with it; nothing when there is none. Throws
// KeyManagementError.
std::optional<std::string> keyReaderWithSerial(uint64_t serialNumber,
                                               const std::string& readerName);
