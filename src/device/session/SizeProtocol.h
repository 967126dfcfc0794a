#pragma once

#include "device/transport/DeviceException.h"
#include "device/transport/QuenlixKeyError.h"

#include <algorithm>
#include <utility>

// Hands a byte string or text out of an entry point: *length is the buffer's capacity on
// entry. A null buffer only learns the length; a buffer too small throws BUFFER_TOO_SMALL and
// leaves buffer and length alone. No terminating zero is added.
template <typename Result, typename Element, typename Length>
void copyOut(const Result& result, Element* buffer, Length* length) {
    static_assert(sizeof(Element) == 1, "the buffer holds bytes");
    if (buffer != nullptr) {
        if (std::cmp_greater(result.size(), *length)) {
            throw DeviceException(QUENLIX_KEY_ERROR_BUFFER_TOO_SMALL, 0);
        }
        std::copy(result.begin(), result.end(), buffer);
    }
    *length = static_cast<Length>(result.size());
}
