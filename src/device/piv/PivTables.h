#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

struct KeyInfo;

// Three-byte identifier of a PIV data object (5F C1 xx).
using PivObjectId = std::array<uint8_t, 3>;

// A key slot: its key reference and the data object that holds its certificate.
struct PivKeySlot {
    uint8_t keyReference;
    PivObjectId certificateObject;
};

// The slots in listing order: the four primary slots (9A, 9C, 9D, 9E), then the retired key
// management slots 82 to 95, whose certificates live in 5F C1 0D to 5F C1 20.
inline constexpr size_t pivPrimarySlotCount = 4;
inline constexpr size_t pivRetiredSlotCount = 20;

inline constexpr std::array<PivKeySlot, pivPrimarySlotCount + pivRetiredSlotCount> pivKeySlots =
    [] {
        std::array<PivKeySlot, pivPrimarySlotCount + pivRetiredSlotCount> slots{{
            {0x9A, {0x5F, 0xC1, 0x05}},
            {0x9C, {0x5F, 0xC1, 0x0A}},
            {0x9D, {0x5F, 0xC1, 0x0B}},
            {0x9E, {0x5F, 0xC1, 0x01}},
        }};
        for (size_t i = 0; i < pivRetiredSlotCount; ++i) {
            slots[pivPrimarySlotCount + i] = {static_cast<uint8_t>(0x82 + i),
                                              {0x5F, 0xC1, static_cast<uint8_t>(0x0D + i)}};
        }
        return slots;
    }();

// The slot with this key reference, or null when the table has none.
const PivKeySlot* findPivKeySlot(uint8_t keyReference);

// A key algorithm the PIV applet knows: the piv command's option name, the key type and size
// as a KeyInfo describes them, the card's algorithm identifier and, for EC, the curve.
struct PivAlgorithm {
    std::string_view name;
    std::string_view keyType;
    int32_t bits;
    uint8_t id;
    std::string_view curveName;
};

inline constexpr std::array<PivAlgorithm, 4> pivAlgorithms{{
    {"RSA1024", "RSA", 1024, 0x06, ""},
    {"RSA2048", "RSA", 2048, 0x07, ""},
    {"ECCP256", "EC", 256, 0x11, "P-256"},
    {"ECCP384", "EC", 384, 0x14, "P-384"},
}};

// The PIN policy (tag AA) and touch policy (tag AB) sent with a generated or imported key.
// Without a choice of the user's: PIN policy 00 (the card's default), touch policy 01 (never).
struct PivKeyPolicies {
    uint8_t pin = 0x00;
    uint8_t touch = 0x01;
};

// The policies by their names on the command line.
inline constexpr std::array<std::pair<std::string_view, uint8_t>, 4> pivPinPolicyNames{{
    {"default", 0x00},
    {"never", 0x01},
    {"once", 0x02},
    {"always", 0x03},
}};
inline constexpr std::array<std::pair<std::string_view, uint8_t>, 4> pivTouchPolicyNames{{
    {"default", 0x00},
    {"never", 0x01},
    {"always", 0x02},
    {"cached", 0x03},
}};

// The algorithm with this identifier, or null when the table has none.
const PivAlgorithm* findPivAlgorithm(uint8_t id);

// The entry of the key's type and size, whatever its curve or number of primes; null when the
// table has none.
const PivAlgorithm* findPivAlgorithmOfSize(const KeyInfo& key);

// True when the key is what the entry's algorithm stands for: an EC key on the entry's curve,
// an RSA key of two primes. The card would take any other key of that size for another key.
bool keyFitsAlgorithm(const KeyInfo& key, const PivAlgorithm& algorithm);

// Identifier of the key's type and size; std::runtime_error "Invalid algorithm RSA4096" (type
// and bits) when the table has no such entry or the key does not fit it (a secp256k1 key, a
// three-prime RSA key).
uint8_t algorithmIdOf(const KeyInfo& key);

// True for the RSA identifiers; std::runtime_error "Invalid algorithm 21" (the identifier in
// decimal) when the table has no such entry.
bool isRSAAlgorithm(uint8_t id);
