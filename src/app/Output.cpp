#include "app/Output.h"

#include <cstdio>
#include <iostream>

int32_t reportFailure(const std::string& message, const std::string& hint) {
    std::cerr << message << std::endl;
    if (!hint.empty()) {
        std::cerr << hint << std::endl;
    }
    std::cerr << helpHint << std::endl;
    return -1;
}

bool flushStandardOutput() {
    std::cout.flush();
    const bool flushed = std::fflush(stdout) == 0;
    return flushed && !std::cout.fail() && std::ferror(stdout) == 0;
}
