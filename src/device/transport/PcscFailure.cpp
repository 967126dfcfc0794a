#include "device/transport/PcscFailure.h"

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <vector>

namespace {

// The distinct results met, in the order they came.
std::vector<LONG>& metResults() {
    static std::vector<LONG> results;
    return results;
}

} // namespace

// PC/SC results are 32-bit codes; pcsc-lite widens them to long on 64-bit hosts.
void reportPcscFailure(const char* text, LONG result) {
    std::cout << text << static_cast<int32_t>(static_cast<uint32_t>(result)) << std::endl;
    notePcscResult(result);
}

void notePcscResult(LONG result) {
    if (!pcscResultMet(result)) {
        metResults().push_back(result);
    }
}

bool pcscResultMet(LONG result) {
    const std::vector<LONG>& results = metResults();
    return std::find(results.begin(), results.end(), result) != results.end();
}

void forgetPcscResults() {
    metResults().clear();
}
