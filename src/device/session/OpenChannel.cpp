#include "device/session/OpenChannel.h"

#include "device/transport/DeviceException.h"

#include <chrono>
#include <thread>

void ChannelRelease::operator()(CardChannel* channel) const {
    ci_disconnect(channel);
}

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds retryInterval(100);

DeviceException connectException(ChannelResult result) {
    int32_t code = result == CI_SHARING_VIOLATION ? QUENLIX_KEY_ERROR_ALREADY_IN_EXCLUSIVE_USE
                                                  : QUENLIX_KEY_ERROR_IO;
    return DeviceException(code, result);
}

} // namespace

ChannelHandle openChannel(const std::string& readerName, int32_t timeLimitMs) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeLimitMs);
    while (true) {
        CardChannel* channel = nullptr;
        ChannelResult result = ci_connect(readerName.c_str(), &channel);
        if (result == CI_OK) {
            return ChannelHandle(channel);
        }
        if (Clock::now() + retryInterval > deadline) {
            throw connectException(result);
        }
        std::this_thread::sleep_for(retryInterval);
    }
}
