#pragma once

#include "device/session/Session.h"
#include "device/transport/ApduExchange.h"

#include <cstdint>
#include <string>

// Session with the key-information applet selected.
class KeyInfoSession : public Session {
public:
    explicit KeyInfoSession(const std::string& readerName);

    // Throws std::runtime_error when the card answers with more than 8 bytes.
    uint64_t getSerialNumber();

private:
    Bytes selectResponse;
};
