#pragma once

#include "device/transport/ChannelResult.h"

#include <cstddef>
#include <cstdint>
#include <winscard.h>

// The one open PC/SC connection of the process.
struct CardChannel {
    SCARDCONTEXT context;
    SCARDHANDLE card;
    DWORD activeProtocol;
};

// Opens the exclusive connection inside a transaction and hands out the channel. Takes the
// process-wide channel mutex, which stays held until ci_disconnect.
ChannelResult ci_connect(const char* readerName, CardChannel** channel);

// Ends the transaction, leaves the card, releases the context and gives back the mutex;
// CI_OK even when one of these steps failed.
ChannelResult ci_disconnect(CardChannel* channel);

// The card's ATR. With a null buffer only its length is reported.
ChannelResult ci_getAtr(CardChannel* channel, uint8_t* buffer, size_t* length);

// One exchange; *responseLength is the capacity on entry and the received length on return.
ChannelResult ci_transmit(CardChannel* channel, const uint8_t* command, size_t commandLength,
                          uint8_t* response, size_t* responseLength);
