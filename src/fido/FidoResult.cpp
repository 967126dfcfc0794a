#include "fido/FidoResult.h"

#include <fido.h>

void throwOnFidoError(int result) {
    if (result != FIDO_OK) {
        throw FidoError(fido_strerr(result), result);
    }
}
