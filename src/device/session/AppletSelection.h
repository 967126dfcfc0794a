#pragma once

#include "device/transport/ApduExchange.h"
#include "device/transport/CardChannel.h"

#include <cstdint>

// SELECT by AID; returns the response data. A card that answers 6D00 gets one SELECT of the
// card manager and one more try. Throws DeviceException.
Bytes selectApplet(CardChannel& channel, const Bytes& aid, int32_t timeLimitMs);

// SELECT of the card manager, without recovery. Throws DeviceException.
Bytes selectCardManager(CardChannel& channel, int32_t timeLimitMs);
