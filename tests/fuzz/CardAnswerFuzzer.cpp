// Feeds the device entry points card answers of any shape through the PC/SC function table:
// the reader list, the ATR and every answer come from the fuzz input (see FuzzedCard.h). No
// entry point may crash, throw, read or write out of bounds, or hand out more than the caller's
// buffer holds.
//
// The first input byte picks the operation to start with (CardOperations.h); the operations
// then run in table order, wrapping around, as long as the input lasts.

#include "CardOperations.h"
#include "FuzzedCard.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::span<const CardOperation> operations = cardOperations();
    FuzzedCard card(data + 1, size - 1);
    size_t index = data[0] % operations.size();
    // Every operation at least once, then more while answers are left.
    for (size_t done = 0; done < operations.size() || !card.spent(); ++done) {
        operations[index].run();
        index = (index + 1) % operations.size();
        if (done > 4 * operations.size()) {
            break;
        }
    }
    return 0;
}
