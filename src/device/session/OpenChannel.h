#pragma once

#include "device/transport/CardChannel.h"

#include <cstdint>
#include <memory>
#include <string>

// Gives an open channel back with ci_disconnect.
struct ChannelRelease {
    void operator()(CardChannel* channel) const;
};

using ChannelHandle = std::unique_ptr<CardChannel, ChannelRelease>;

// How long a session waits for a busy or missing reader.
inline constexpr int32_t connectTimeLimitMs = 10000;

// Connects to the reader, trying again every 100 ms until the time limit would pass.
// Throws DeviceException: ALREADY_IN_EXCLUSIVE_USE for a sharing violation, IO otherwise,
// with the channel result as detail.
ChannelHandle openChannel(const std::string& readerName, int32_t timeLimitMs);
