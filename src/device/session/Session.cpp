#include "device/session/Session.h"

Session::Session(const std::string& readerName)
    : channelHandle(openChannel(readerName, connectTimeLimitMs)) {}
