// Prints the card answer fuzzer's operations, one name a line in table order, so that the
// fault sweep can check them against the device library and write seeds that start where
// they should.

#include "CardOperations.h"

#include <cstdio>

int main() {
    for (const CardOperation& operation : cardOperations()) {
        std::puts(operation.name);
    }
    return 0;
}
