#pragma once

#include <gtest/gtest.h>
#include <source_location>

// Runs call, which must throw an Exception, and hands what it threw to inspect. A call that
// throws nothing fails the test at the caller's line; one that throws another type fails it
// as an uncaught exception.
template <typename Exception, typename Call, typename Inspect>
void expectThrown(Call&& call, Inspect&& inspect,
                  std::source_location where = std::source_location::current()) {
    try {
        call();
    } catch (const Exception& thrown) {
        inspect(thrown);
        return;
    }
    ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << "nothing was thrown";
}
