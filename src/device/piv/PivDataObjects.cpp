#include "device/piv/PivDataObjects.h"

#include "device/piv/PivSession.h"
#include "encoding/BerTlvBuilder.h"

namespace {

constexpr uint8_t insGetData = 0xCB;
constexpr uint8_t insPutData = 0xDB;
constexpr uint8_t dataP1 = 0x3F;
constexpr uint8_t dataP2 = 0xFF;
constexpr uint8_t tagTagList = 0x5C;

Bytes tagList(const PivObjectId& objectId) {
    BerTlvBuilder builder;
    builder.addPrimitive(tagTagList, Bytes(objectId.begin(), objectId.end()));
    return builder.build();
}

} // namespace

Bytes PivSession::getData(const PivObjectId& objectId) {
    return sendCommand(channel(), insGetData, dataP1, dataP2, tagList(objectId), noTimeLimit);
}

void PivSession::putData(const PivObjectId& objectId, const Bytes& content) {
    Bytes data = tagList(objectId);
    data.insert(data.end(), content.begin(), content.end());
    sendCommand(channel(), insPutData, dataP1, dataP2, data, noTimeLimit);
}

Bytes PivSession::getCcc() {
    return getData(pivCccObject);
}

Bytes PivSession::getChuid() {
    return getData(pivChuidObject);
}
