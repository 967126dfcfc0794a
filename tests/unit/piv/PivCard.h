#pragma once

#include "device/ScriptedCard.h"

#include <algorithm>
#include <deque>
#include <iterator>
#include <string>
#include <vector>

// A card with the PIV applet: SELECT gets selectAnswer, every other command the next queued
// answer (6F 00 when none is left).
struct PivCard : ScriptedCard {
    PivCard() {
        handler = [this](const Bytes& command) {
            if (command == select) {
                return selectAnswer;
            }
            Bytes next = queued.empty() ? bytesOf("6F 00") : queued.front();
            if (!queued.empty()) {
                queued.pop_front();
            }
            return next;
        };
    }

    void queue(const std::vector<std::string>& answers) {
        for (const std::string& answer : answers) {
            queued.push_back(bytesOf(answer));
        }
    }

    std::vector<Bytes> sentAfterSelect() const {
        std::vector<Bytes> commands;
        std::copy_if(sent.begin(), sent.end(), std::back_inserter(commands),
                     [this](const Bytes& command) { return command != select; });
        return commands;
    }

    const Bytes select = bytesOf("00 A4 04 00 0A A0 00 00 03 08 00 00 10 00 01");
    Bytes selectAnswer = bytesOf("61 18 4F 06 00 00 10 00 01 00 79 07 4F 05 A0 00 00 03 08 "
                                 "50 05 31 2E 34 2E 32 90 00");
    std::deque<Bytes> queued;
};

inline const char* const defaultManagementKey = "010203040506070801020304050607080102030405060708";
// Witness 00 11 .. 77 and its encryption under the default key (openssl enc -des-ede3).
inline const std::string witnessAnswer = "7C 0A 81 08 00 11 22 33 44 55 66 77 90 00";
inline const std::vector<std::string> authenticationApdus = {
    "00 87 03 9B 04 7C 02 81 00", "00 87 03 9B 0C 7C 0A 82 08 26 60 4D 88 E5 5B D3 E7"};

inline std::vector<Bytes> bytesOfAll(const std::vector<std::string>& hexes) {
    std::vector<Bytes> all;
    std::transform(hexes.begin(), hexes.end(), std::back_inserter(all), bytesOf);
    return all;
}

inline std::vector<std::string> afterAuthentication(const std::vector<std::string>& rest) {
    std::vector<std::string> all = authenticationApdus;
    all.insert(all.end(), rest.begin(), rest.end());
    return all;
}
