#include "device/piv/PivTables.h"

#include "crypto/KeyInfo.h"
#include "crypto/KeyType.h"

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

const PivAlgorithm* findPivAlgorithmOfSize(const KeyInfo& key) {
    const auto* algorithm =
        std::find_if(pivAlgorithms.begin(), pivAlgorithms.end(), [&](const PivAlgorithm& entry) {
            return entry.keyType == key.type && entry.bits == key.bits;
        });
    return algorithm == pivAlgorithms.end() ? nullptr : algorithm;
}

bool keyFitsAlgorithm(const KeyInfo& key, const PivAlgorithm& algorithm) {
    if (key.isRSA()) {
        return rsaPrimeCount(*key.key) == 2;
    }
    return nistCurveName(*key.key) == algorithm.curveName;
}

uint8_t algorithmIdOf(const KeyInfo& key) {
    const PivAlgorithm* algorithm = findPivAlgorithmOfSize(key);
    if (algorithm == nullptr || !keyFitsAlgorithm(key, *algorithm)) {
        throw std::runtime_error("Invalid algorithm " + key.type + std::to_string(key.bits));
    }
    return algorithm->id;
}

bool isRSAAlgorithm(uint8_t id) {
    const PivAlgorithm* algorithm = findPivAlgorithm(id);
    if (algorithm == nullptr) {
        throw std::runtime_error("Invalid algorithm " + std::to_string(id));
    }
    return algorithm->keyType == "RSA";
}
