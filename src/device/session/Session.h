#pragma once

#include "device/session/OpenChannel.h"
#include "device/transport/CardChannel.h"

#include <string>

// One open, exclusive connection to the key with one applet selected. The base opens the
// connection; each derived constructor selects its applet. Lives on the stack of one entry
// point; destroying it disconnects.
class Session {
public:
    explicit Session(const std::string& readerName);
    virtual ~Session() = default;

    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    CardChannel& channel() const { return *channelHandle; }

private:
    ChannelHandle channelHandle;
};
