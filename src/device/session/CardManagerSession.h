#pragma once

#include "device/session/Session.h"

#include <string>

// Session with the card manager selected; reads the key's identity texts.
class CardManagerSession : public Session {
public:
    explicit CardManagerSession(const std::string& readerName);

    std::string getName();
    // "v" followed by the version text the card reports.
    std::string getVersion();
    std::string getDate();
};
