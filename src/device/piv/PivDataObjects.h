#pragma once

#include "device/piv/PivTables.h"

// Data objects beside the certificate objects of the slot table.
inline constexpr PivObjectId pivCccObject{0x5F, 0xC1, 0x07};
inline constexpr PivObjectId pivChuidObject{0x5F, 0xC1, 0x02};
inline constexpr PivObjectId pivKeyHistoryObject{0x5F, 0xC1, 0x0C};
