#pragma once

#include <CLI/CLI.hpp>
#include <string>

inline constexpr const char* infoReaderHelp =
    "The smartcard reader listed by the \"list\" command and to be selected for executing an "
    "operation. If not provided, the first detected Quenlix Key will be selected";
inline constexpr const char* appletReaderHelp =
    "The smartcard reader listed by \"list\" command. If not provided, the first Quenlix Key "
    "will be selected";

// Registers the "-r,--reader" text option of the smart-card commands, followed by
// "--serial N", the serial number of the key to choose (decimal digits; empty when not given).
void addReaderOption(CLI::App& app, std::string& readerName, std::string& serialNumber,
                     const std::string& help);

// Fills an empty reader name with the first reader that holds a key. When there is none,
// writes "Could not connect to any Quenlix Key" with the help hint and returns false; the
// command then returns -1. With a serial number, the reader is the one whose key reports that
// serial number, and a named reader must hold such a key; otherwise "Could not find a Quenlix
// Key with the serial number N" and false. Throws KeyManagementError when the readers cannot
// be listed or a key cannot be asked.
bool resolveReader(std::string& readerName, const std::string& serialNumber);
