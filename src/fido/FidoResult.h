#pragma once

#include "fido/FidoError.h"

// Raise FidoError(fido_strerr(result), result) for any result other than FIDO_OK.
void throwOnFidoError(int result);

// Raise FidoError("OUT_OF_MEMORY", 0) when a libfido2 constructor returned nothing.
template <typename Object> Object* requireAllocated(Object* object) {
    if (object == nullptr) {
        throw FidoError("OUT_OF_MEMORY", 0);
    }
    return object;
}
