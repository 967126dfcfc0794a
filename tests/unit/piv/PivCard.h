#pragma once

#include "device/ScriptedCard.h"

#include <deque>
#include <string>
#include <vector>

// A card with the PIV applet: SELECT gets selectAnswer, every other command the next queued
// answer (6F 00 when none is left). What follows each SELECT is what the tests look at.
struct PivCard : ScriptedCard {
    PivCard() {
        handler = [this](const Bytes& command) {
            if (command == select) {
                return selectAnswer;
            }
            if (queued.empty()) {
                return bytesOf("6F 00");
            }
            Bytes next = queued.front();
            queued.pop_front();
            return next;
        };
    }

    void queue(const std::string& hex) { queued.push_back(bytesOf(hex)); }
    void queue(const Bytes& answer) { queued.push_back(answer); }

    // The default management key's answer to a witness 00 11 .. 77, as openssl enc -des-ede3
    // computes it.
    void queueAuthentication() {
        queue("7C 0A 81 08 00 11 22 33 44 55 66 77 90 00");
        queue("90 00");
    }

    std::vector<Bytes> sentAfterSelect() const {
        std::vector<Bytes> commands;
        for (const Bytes& command : sent) {
            if (command != select) {
                commands.push_back(command);
            }
        }
        return commands;
    }

    const Bytes select = bytesOf("00 A4 04 00 0A A0 00 00 03 08 00 00 10 00 01");
    Bytes selectAnswer = bytesOf("61 18 4F 06 00 00 10 00 01 00 79 07 4F 05 A0 00 00 03 08 "
                                 "50 05 31 2E 34 2E 32 90 00");
    std::deque<Bytes> queued;
};

inline const char* const defaultManagementKey = "010203040506070801020304050607080102030405060708";
inline const std::vector<std::string> authenticationApdus = {
    "00 87 03 9B 04 7C 02 81 00",
    "00 87 03 9B 0C 7C 0A 82 08 26 60 4D 88 E5 5B D3 E7",
};

inline std::vector<Bytes> bytesOfAll(const std::vector<std::string>& hexes) {
    std::vector<Bytes> all;
    for (const std::string& hex : hexes) {
        all.push_back(bytesOf(hex));
    }
    return all;
}
