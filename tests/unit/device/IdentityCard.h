#pragma once

#include "ScriptedCard.h"

#include <string>

// Answers like a key's card manager and key-information applet, for ScriptedCard::handler.
struct IdentityCard {
    std::string name = "Quenlix Key 3C";
    std::string version = "1.0.3";
    std::string date = "2023-05-04";
    Bytes serial = bytesOf("00 00 00 00 00 12 D6 87");
    bool hasKeyInfoApplet = true;

    Bytes operator()(const Bytes& command) const {
        static const Bytes selectCardManager = bytesOf("00 A4 04 00 08 A0 00 00 01 51 00 00 00");
        static const Bytes selectKeyInfo = bytesOf("00 A4 04 00 08 D2 76 00 01 62 4B 65 79");
        if (command == selectCardManager) {
            return ok("");
        }
        if (command == selectKeyInfo) {
            return hasKeyInfoApplet ? ok("") : bytesOf("6A 82");
        }
        if (command == bytesOf("B1 05 41 00")) {
            return ok(name);
        }
        if (command == bytesOf("B1 05 42 00")) {
            return ok(version);
        }
        if (command == bytesOf("B1 05 54 00")) {
            return ok(date);
        }
        if (command == bytesOf("00 28 00 00")) {
            Bytes answer = serial;
            answer.push_back(0x90);
            answer.push_back(0x00);
            return answer;
        }
        return bytesOf("6D 00");
    }

    static Bytes ok(const std::string& text) {
        Bytes answer(text.begin(), text.end());
        answer.push_back(0x90);
        answer.push_back(0x00);
        return answer;
    }
};
