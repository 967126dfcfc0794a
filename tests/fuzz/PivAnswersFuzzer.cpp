// Feeds arbitrary card answers to the PIV session through the scripted PC/SC table of the unit
// tests, so that the answer readers run exactly as behind a real channel: SELECT (the property
// template and its label), GET METADATA, GET SERIAL, the management-key witness and the
// generated public key. The first input byte picks the operation, the rest is the answer.
// Every call must end in a known code, and what it reports must be what the card may say.

#include "PivFuzzing.h"
#include "crypto/KeyInfo.h"
#include "device/ScriptedCard.h"
#include "device/piv/Piv.h"
#include "device/piv/PivTables.h"
#include "device/transport/QuenlixKeyError.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using namespace pivfuzz;

const Bytes selectPiv = bytesOf("00 A4 04 00 0A A0 00 00 03 08 00 00 10 00 01");

// SELECT gets selectAnswer; the first other command gets the fuzzed answer, later ones 9000.
struct FuzzedCard : ScriptedCard {
    FuzzedCard(Bytes select, Bytes fuzzed)
        : selectAnswer(withSuccess(std::move(select))), answer(withSuccess(std::move(fuzzed))) {
        handler = [this](const Bytes& command) {
            if (command == selectPiv) {
                return selectAnswer;
            }
            return commands++ == 0 ? answer : withSuccess({});
        };
    }

    Bytes selectAnswer;
    Bytes answer;
    int commands = 0;
};

void version(const Bytes& answer) {
    FuzzedCard card(answer, {});
    uint64_t size = 0;
    const int32_t code = piv_getVersion(reader, nullptr, &size);
    require(knownCode(code));
    require(code != 0 || (size > 0 && size <= answer.size()));
}

void retries(const Bytes& answer) {
    FuzzedCard card({}, answer);
    int32_t total = 0;
    int32_t remaining = 0;
    int32_t isDefault = 0;
    const int32_t code = piv_getPinRetries(reader, &total, &remaining, &isDefault);
    require(knownCode(code));
    require(code != 0 || (total >= -1 && total <= 255 && remaining >= -1 && remaining <= 255 &&
                          isDefault >= 0 && isDefault <= 255));
}

void serial(const Bytes& answer) {
    FuzzedCard card({}, answer);
    uint64_t serialNumber = 0;
    const int32_t code = piv_getSerialNumber(reader, &serialNumber);
    require(code == 0 || code == QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
}

// Whatever the witness answer is, the outcome is success or one AUTH.
void witness(const Bytes& answer) {
    FuzzedCard card({}, answer);
    const int32_t code = piv_setManagementKey(reader, managementKey, managementKey);
    require(code == 0 || code == QUENLIX_KEY_ERROR_AUTH);
}

void generatedKey(const Bytes& input) {
    if (input.empty()) {
        return;
    }
    const PivAlgorithm& algorithm = pivAlgorithms[input[0] % pivAlgorithms.size()];
    FuzzedCard card({}, {});
    card.answer = withSuccess(Bytes(input.begin() + 1, input.end()));
    // The witness exchange answers first; the key answer follows.
    card.handler = [&card](const Bytes& command) {
        if (command == selectPiv) {
            return card.selectAnswer;
        }
        ++card.commands;
        if (card.commands == 1) {
            return bytesOf("7C 0A 81 08 00 11 22 33 44 55 66 77 90 00");
        }
        return card.commands == 3 ? card.answer : withSuccess({});
    };
    KeyInfo* key = nullptr;
    const int32_t code = piv_generateKeyPair(reader, managementKey, 0x9A, algorithm.id, &key);
    require(knownCode(code));
    require((code == 0) == (key != nullptr));
    if (key != nullptr) {
        require(key->type == algorithm.keyType && key->bits == algorithm.bits);
        piv_freeKeyInfo(key);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const Bytes answer(data + 1, data + size);
    switch (data[0] % 5) {
    case 0:
        version(answer);
        break;
    case 1:
        retries(answer);
        break;
    case 2:
        serial(answer);
        break;
    case 3:
        witness(answer);
        break;
    default:
        generatedKey(answer);
        break;
    }
    return 0;
}
