#pragma once

#include "device/ScriptedCard.h"
#include "device/transport/QuenlixKeyError.h"

#include <cstdint>
#include <cstdlib>

// What the PIV fuzz targets share: the reader, the default management key and the checks
// every call must pass.
namespace pivfuzz {

inline const char* const reader = "Reader";
inline const char* const managementKey = "010203040506070801020304050607080102030405060708";

inline void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

inline bool knownCode(int32_t code) {
    return code <= QUENLIX_KEY_ERROR_NOERROR && code >= QUENLIX_KEY_ERROR_UNDEFINED_AUTH_CREDENTIAL;
}

inline Bytes withSuccess(Bytes data) {
    data.push_back(0x90);
    data.push_back(0x00);
    return data;
}

} // namespace pivfuzz
