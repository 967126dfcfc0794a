#pragma once

#include <span>

// The device entry points as the card answer fuzzer runs them, with the checks on what they
// hand out: one row per card-talking entry point, named by it (with "/" and a variant where
// one entry point runs in two ways). A seed's first byte indexes this table; after a change
// of order the seeds are recorded again (README, "How it is tested").
struct CardOperation {
    const char* name;
    void (*run)();
};

std::span<const CardOperation> cardOperations();
