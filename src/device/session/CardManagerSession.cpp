#include "device/session/CardManagerSession.h"

#include "device/session/AppletSelection.h"

namespace {

constexpr uint8_t vendorClass = 0xB1;
constexpr uint8_t getIdentity = 0x05;
constexpr uint8_t nameItem = 0x41;
constexpr uint8_t versionItem = 0x42;
constexpr uint8_t dateItem = 0x54;

} // namespace

CardManagerSession::CardManagerSession(const std::string& readerName) : Session(readerName) {
    selectCardManager(channel(), noTimeLimit);
}

std::string CardManagerSession::getName() {
    Bytes name = sendApdu(channel(), vendorClass, getIdentity, nameItem, 0x00, {}, noTimeLimit);
    return std::string(name.begin(), name.end());
}

std::string CardManagerSession::getVersion() {
    Bytes version =
        sendApdu(channel(), vendorClass, getIdentity, versionItem, 0x00, {}, noTimeLimit);
    // Appending rather than "v" + std::string(...): GCC 12 at -O3 reports a false -Wrestrict
    // overlap for the inserted prefix.
    std::string text = "v";
    text.append(version.begin(), version.end());
    return text;
}

std::string CardManagerSession::getDate() {
    Bytes date = sendApdu(channel(), vendorClass, getIdentity, dateItem, 0x00, {}, noTimeLimit);
    return std::string(date.begin(), date.end());
}
