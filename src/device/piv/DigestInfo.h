#pragma once

#include <cstdint>
#include <openssl/evp.h>
#include <span>
#include <vector>

// Digest of a signature made on the card; certificate signing requests use Sha256.
enum class HashType : int32_t { Sha1 = 0, Sha256 = 1, Sha512 = 2 };

// The library digest; std::runtime_error "Unsupported hash function" for other values.
const EVP_MD* digestForHashType(HashType hashType);

// EMSA-PKCS1-v1_5 block of bits / 8 bytes (00 01 FF .. FF 00 DigestInfo) for the digest, which
// the card turns into a signature with the raw RSA private-key operation.
std::vector<uint8_t> encodePkcs1DigestInfo(int32_t bits, HashType hashType,
                                           std::span<const uint8_t> digest);
