#include "app/Output.h"

#include <iostream>

int32_t reportFailure(const std::string& message) {
    std::cerr << message << std::endl;
    std::cerr << helpHint << std::endl;
    return -1;
}
