#pragma once

#include "device/transport/ApduExchange.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Readers whose card is a Quenlix Key, in PC/SC order; handed out by key_listReaders.
struct ReaderList {
    std::vector<std::string> names;
};

// Entry points; they never throw.
int32_t key_listReaders(ReaderList** list);
size_t key_readerCount(const ReaderList* list);
// Null for a null list or an index at or beyond the count.
const char* key_readerName(const ReaderList* list, size_t index);
void key_freeReaderList(ReaderList* list);

// Session level. Throws DeviceException(IO) when the readers cannot be listed.
std::vector<std::string> listKeyReaders();

// The ATR of the card in the reader, empty when it cannot be read. Connects once, no retry.
Bytes readAtr(const std::string& readerName);

// True for the two ATRs of the key.
bool isKeyAtr(const Bytes& atr);
