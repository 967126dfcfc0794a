#include "device/transport/PcscFailure.h"

#include <cstdint>
#include <iostream>

// PC/SC results are 32-bit codes; pcsc-lite widens them to long on 64-bit hosts.
void reportPcscFailure(const char* text, LONG result) {
    std::cout << text << static_cast<int32_t>(static_cast<uint32_t>(result)) << std::endl;
}
