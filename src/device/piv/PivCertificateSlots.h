#pragma once

#include "device/piv/PivTables.h"

// The certificate object of the slot; std::runtime_error "Invalid certificate slot 0x9B" (the
// key reference) when the slot table has no such slot.
const PivObjectId& certificateObjectOf(uint8_t slot);
