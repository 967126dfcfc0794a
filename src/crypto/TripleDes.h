#pragma once

#include "encoding/SecretBytes.h"

#include <cstdint>
#include <span>
#include <vector>

enum class SymmetricCipher { TripleDes = 0 };

// Encrypts exactly one 8-byte block with DES-EDE3 in ECB mode under a 24-byte key (the
// management-key challenge). Other key or data lengths throw std::runtime_error.
std::vector<uint8_t> tripleDesEncrypt(const SecretBytes& key, std::span<const uint8_t> data,
                                      SymmetricCipher cipher);
