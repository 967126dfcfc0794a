#include "device/transport/PcscApi.h"

const PcscApi& realPcscApi() {
    static const PcscApi real{
        SCardEstablishContext, SCardReleaseContext, SCardListReaders,      SCardFreeMemory,
        SCardConnect,          SCardDisconnect,     SCardBeginTransaction, SCardEndTransaction,
        SCardStatus,           SCardTransmit,
    };
    return real;
}

PcscApi& pcscApi() {
    static PcscApi current = realPcscApi();
    return current;
}
