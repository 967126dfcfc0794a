#pragma once

#include <winscard.h>

// The PC/SC calls the channel makes. They default to pcsc-lite; unit tests swap in a
// scripted card here so that the channel code above runs unchanged without a daemon.
struct PcscApi {
    // The calls whose parameters do not fit on one line, by their types.
    using EstablishContext = LONG(DWORD scope, LPCVOID reserved1, LPCVOID reserved2,
                                  LPSCARDCONTEXT context);
    using Connect = LONG(SCARDCONTEXT context, LPCSTR reader, DWORD shareMode,
                         DWORD preferredProtocols, LPSCARDHANDLE card, LPDWORD activeProtocol);
    using Status = LONG(SCARDHANDLE card, LPSTR readerName, LPDWORD readerLength, LPDWORD state,
                        LPDWORD protocol, LPBYTE atr, LPDWORD atrLength);
    using Transmit = LONG(SCARDHANDLE card, const SCARD_IO_REQUEST* sendPci, LPCBYTE command,
                          DWORD commandLength, SCARD_IO_REQUEST* receivePci, LPBYTE response,
                          LPDWORD responseLength);

    EstablishContext* establishContext;
    LONG (*releaseContext)(SCARDCONTEXT context);
    LONG (*listReaders)(SCARDCONTEXT context, LPCSTR groups, LPSTR readers, LPDWORD length);
    LONG (*freeMemory)(SCARDCONTEXT context, LPCVOID memory);
    Connect* connect;
    LONG (*disconnect)(SCARDHANDLE card, DWORD disposition);
    LONG (*beginTransaction)(SCARDHANDLE card);
    LONG (*endTransaction)(SCARDHANDLE card, DWORD disposition);
    Status* status;
    Transmit* transmit;
};

// The table in use by the process.
PcscApi& pcscApi();

// The table that reaches pcsc-lite.
const PcscApi& realPcscApi();
