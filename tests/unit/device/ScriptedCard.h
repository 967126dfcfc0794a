#pragma once

#include "device/transport/PcscApi.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& hex);

// A PC/SC stack with scripted readers and a scripted card, installed in the channel's PC/SC
// table for the lifetime of the object. Commands are answered in order from the queue, or by
// the handler when one is set; everything the channel sends is recorded.
class ScriptedCard {
public:
    ScriptedCard();
    ~ScriptedCard();

    ScriptedCard(const ScriptedCard&) = delete;
    ScriptedCard& operator=(const ScriptedCard&) = delete;

    // Queues the next answer (data and status word as hex).
    void answer(const std::string& hex);
    void answer(Bytes response);

    // Readers in PC/SC order with the ATR of their card (empty: no card).
    std::vector<std::pair<std::string, Bytes>> readers;
    Bytes atr = bytesOf("3B 97 11 81 21 75 51 75 65 6E 6C 69 78 01");

    // When set, SCardListReaders hands out exactly these bytes (terminators included or not).
    std::optional<std::string> rawReaderList;

    std::function<Bytes(const Bytes&)> handler;
    std::deque<Bytes> answers;

    // Results the PC/SC calls give; connect results per reader name override connectResult.
    LONG establishResult = SCARD_S_SUCCESS;
    LONG listResult = SCARD_S_SUCCESS;
    LONG connectResult = SCARD_S_SUCCESS;
    std::map<std::string, LONG> connectResults;
    // Failures of the first N connect calls before connectResult applies.
    std::deque<LONG> connectFailures;
    LONG beginResult = SCARD_S_SUCCESS;
    LONG endResult = SCARD_S_SUCCESS;
    LONG disconnectResult = SCARD_S_SUCCESS;
    LONG releaseResult = SCARD_S_SUCCESS;
    LONG transmitResult = SCARD_S_SUCCESS;
    DWORD activeProtocol = SCARD_PROTOCOL_T1;

    // What happened.
    std::vector<Bytes> sent;
    std::vector<size_t> capacities;
    std::vector<const SCARD_IO_REQUEST*> sendPcis;
    std::vector<std::string> connected;
    int disconnects = 0;
    int contextsOpen = 0;

private:
    friend struct ScriptedPcsc;
    const PcscApi saved;
    std::string currentReader;
};

// Builds an answer of n bytes of data followed by a status word.
Bytes answerOf(size_t dataLength, uint16_t statusWord);
