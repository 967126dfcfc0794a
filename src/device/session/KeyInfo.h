#pragma once

#include <cstddef>
#include <cstdint>

// Identity of the key: name, version and production date from the card manager, serial
// number from the key-information applet. Texts are handed out by the size protocol
// (*length is the capacity on entry; a null buffer only learns the length; no terminator).
// Each call opens and closes its own session and returns a QuenlixKeyError code.
int32_t key_getName(const char* readerName, char* buffer, size_t* length);
int32_t key_getVersion(const char* readerName, char* buffer, size_t* length);
int32_t key_getDate(const char* readerName, char* buffer, size_t* length);
int32_t key_getSerialNumber(const char* readerName, uint64_t* serialNumber);
