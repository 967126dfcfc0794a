#include "ScriptedCard.h"

#include "device/transport/PcscFailure.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace {
ScriptedCard* card = nullptr;
}

Bytes bytesOf(const std::string& hex) {
    std::istringstream in(hex);
    Bytes bytes;
    std::string byte;
    while (in >> byte) {
        bytes.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
    }
    return bytes;
}

Bytes answerOf(size_t dataLength, uint16_t statusWord) {
    Bytes answer(dataLength);
    for (size_t index = 0; index < dataLength; ++index) {
        answer[index] = static_cast<uint8_t>(index);
    }
    answer.push_back(static_cast<uint8_t>(statusWord >> 8));
    answer.push_back(static_cast<uint8_t>(statusWord));
    return answer;
}

struct ScriptedPcsc {
    static LONG establishContext(DWORD, LPCVOID, LPCVOID, LPSCARDCONTEXT context) {
        if (card->establishResult != SCARD_S_SUCCESS) {
            return card->establishResult;
        }
        ++card->contextsOpen;
        *context = 1;
        return SCARD_S_SUCCESS;
    }

    static LONG releaseContext(SCARDCONTEXT) {
        --card->contextsOpen;
        return card->releaseResult;
    }

    static LONG listReaders(SCARDCONTEXT, LPCSTR, LPSTR readers, LPDWORD length) {
        if (card->listResult != SCARD_S_SUCCESS) {
            return card->listResult;
        }
        if (card->readers.empty()) {
            return SCARD_E_NO_READERS_AVAILABLE;
        }
        std::string multiString;
        for (const auto& reader : card->readers) {
            multiString += reader.first;
            multiString.push_back('\0');
        }
        multiString.push_back('\0');
        if (card->rawReaderList) {
            multiString = *card->rawReaderList;
        }
        auto* buffer = static_cast<char*>(std::malloc(multiString.size()));
        std::memcpy(buffer, multiString.data(), multiString.size());
        *reinterpret_cast<char**>(readers) = buffer;
        *length = static_cast<DWORD>(multiString.size());
        return SCARD_S_SUCCESS;
    }

    static LONG freeMemory(SCARDCONTEXT, LPCVOID memory) {
        std::free(const_cast<void*>(memory));
        return SCARD_S_SUCCESS;
    }

    static LONG connect(SCARDCONTEXT, LPCSTR reader, DWORD, DWORD, LPSCARDHANDLE handle,
                        LPDWORD protocol) {
        card->connected.emplace_back(reader);
        if (!card->connectFailures.empty()) {
            LONG failure = card->connectFailures.front();
            card->connectFailures.pop_front();
            return failure;
        }
        auto found = card->connectResults.find(reader);
        LONG result = found != card->connectResults.end() ? found->second : card->connectResult;
        if (result == SCARD_S_SUCCESS) {
            card->currentReader = reader;
            *handle = 7;
            *protocol = card->activeProtocol;
        }
        return result;
    }

    static LONG disconnect(SCARDHANDLE, DWORD) {
        ++card->disconnects;
        return card->disconnectResult;
    }

    static LONG beginTransaction(SCARDHANDLE) { return card->beginResult; }

    static LONG endTransaction(SCARDHANDLE, DWORD) { return card->endResult; }

    static LONG status(SCARDHANDLE, LPSTR, LPDWORD, LPDWORD, LPDWORD, LPBYTE atr,
                       LPDWORD atrLength) {
        Bytes current = card->atr;
        for (const auto& reader : card->readers) {
            if (reader.first == card->currentReader) {
                current = reader.second;
            }
        }
        if (current.empty()) {
            return SCARD_E_NO_SMARTCARD;
        }
        if (*atrLength < current.size()) {
            return SCARD_E_INSUFFICIENT_BUFFER;
        }
        std::memcpy(atr, current.data(), current.size());
        *atrLength = static_cast<DWORD>(current.size());
        return SCARD_S_SUCCESS;
    }

    static LONG transmit(SCARDHANDLE, const SCARD_IO_REQUEST* sendPci, LPCBYTE command,
                         DWORD commandLength, SCARD_IO_REQUEST*, LPBYTE response,
                         LPDWORD responseLength) {
        card->sent.emplace_back(command, command + commandLength);
        card->capacities.push_back(*responseLength);
        card->sendPcis.push_back(sendPci);
        if (card->transmitResult != SCARD_S_SUCCESS) {
            return card->transmitResult;
        }
        Bytes answer = nextAnswer(card->sent.back());
        if (answer.size() > *responseLength) {
            return SCARD_E_INSUFFICIENT_BUFFER;
        }
        std::copy(answer.begin(), answer.end(), response);
        *responseLength = static_cast<DWORD>(answer.size());
        return SCARD_S_SUCCESS;
    }

    static Bytes nextAnswer(const Bytes& command) {
        if (card->handler) {
            return card->handler(command);
        }
        if (card->answers.empty()) {
            throw std::logic_error("the script has no answer left");
        }
        Bytes answer = card->answers.front();
        card->answers.pop_front();
        return answer;
    }
};

ScriptedCard::ScriptedCard() : saved(pcscApi()) {
    card = this;
    forgetPcscResults();
    pcscApi() = PcscApi{
        ScriptedPcsc::establishContext, ScriptedPcsc::releaseContext, ScriptedPcsc::listReaders,
        ScriptedPcsc::freeMemory,       ScriptedPcsc::connect,        ScriptedPcsc::disconnect,
        ScriptedPcsc::beginTransaction, ScriptedPcsc::endTransaction, ScriptedPcsc::status,
        ScriptedPcsc::transmit,
    };
}

ScriptedCard::~ScriptedCard() {
    forgetPcscResults();
    pcscApi() = saved;
    card = nullptr;
}

void ScriptedCard::answer(const std::string& hex) {
    answers.push_back(bytesOf(hex));
}

void ScriptedCard::answer(Bytes response) {
    answers.push_back(std::move(response));
}
