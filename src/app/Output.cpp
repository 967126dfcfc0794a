#include "app/Output.h"

#include <cstdio>
#include <iostream>

int32_t reportFailure(const std::string& message) {
    std::cerr << message << std::endl;
    std::cerr << helpHint << std::endl;
    return -1;
}

bool flushStandardOutput() {
    std::cout.flush();
    const bool flushed = std::fflush(stdout) == 0;
    return flushed && !std::cout.fail() && std::ferror(stdout) == 0;
}
