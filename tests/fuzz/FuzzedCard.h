#pragma once

// A PC/SC stack whose reader list, ATR and card answers all come from one fuzz input, put in
// the channel's PC/SC table for the lifetime of the object. The card answer fuzzer drives
// the device entry points through it.
//
// Input layout: a byte with the length of the raw reader list and the list itself (taken as
// PC/SC hands it out, terminators or not), a byte with the ATR's length and the ATR, then the
// answers in turn: a length byte and that many bytes (data and status word); the length 0xFF
// stands for a card pulled out during the command. Once the input is spent, every command
// meets a pulled card.

#include "device/transport/PcscApi.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class FuzzedCard {
public:
    FuzzedCard(const uint8_t* data, size_t size);
    ~FuzzedCard();

    FuzzedCard(const FuzzedCard&) = delete;
    FuzzedCard& operator=(const FuzzedCard&) = delete;

    // The reader every entry point is given.
    static constexpr const char* readerName = "Fuzz Reader 00";

    bool spent() const { return position >= size; }

    // Reads one byte, 0 once spent.
    uint8_t nextByte();
    // Reads up to count bytes.
    std::vector<uint8_t> nextBytes(size_t count);

    std::string readerList;
    std::vector<uint8_t> atr;

private:
    const uint8_t* data;
    size_t size;
    size_t position = 0;
    const PcscApi saved;
};
