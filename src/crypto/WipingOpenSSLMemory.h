#pragma once

#include <cstddef>

// Has the library wipe every block it frees: its decoders copy a private key's DER and
// components into blocks they free without wiping. Call before any other library call (the
// library takes new memory functions only before its first allocation); false when too late.
bool installWipingOpenSSLMemory();

// For tests: called with each block the library frees, after its wipe and before its release;
// null to stop.
void observeWipedOpenSSLBlocks(void (*observer)(const unsigned char* block, size_t size));
