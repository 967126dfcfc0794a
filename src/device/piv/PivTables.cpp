#include "device/piv/PivTables.h"

#include "crypto/KeyInfo.h"

#include <algorithm>
#include <stdexcept>
#include <string>

const PivKeySlot* findPivKeySlot(uint8_t keyReference) {
    const auto* slot =
        std::find_if(pivKeySlots.begin(), pivKeySlots.end(),
                     [&](const PivKeySlot& entry) { return entry.keyReference == keyReference; });
    return slot == pivKeySlots.end() ? nullptr : slot;
}

const PivAlgorithm* findPivAlgorithm(uint8_t id) {
    const auto* algorithm = std::find_if(pivAlgorithms.begin(), pivAlgorithms.end(),
                                         [&](const PivAlgorithm& entry) { return entry.id == id; });
    return algorithm == pivAlgorithms.end() ? nullptr : algorithm;
}

uint8_t algorithmIdOf(const KeyInfo& key) {
    for (const PivAlgorithm& entry : pivAlgorithms) {
        if (entry.keyType == key.type && entry.bits == key.bits) {
            return entry.id;
        }
    }
    throw std::runtime_error("Invalid algorithm " + key.type + std::to_string(key.bits));
}

bool isRSAAlgorithm(uint8_t id) {
    const PivAlgorithm* algorithm = findPivAlgorithm(id);
    if (algorithm == nullptr) {
        throw std::runtime_error("Invalid algorithm " + std::to_string(id));
    }
    return algorithm->keyType == "RSA";
}
