#pragma once

#include <cstdint>
#include <openssl/evp.h>
#include <string>

// "RSA" or "EC"; OpenSSLException "Unknown key type" for any other key.
std::string keyTypeName(const EVP_PKEY& key);

// Key length in bits; OpenSSLException "Failed to get key length" when the library reports 0.
int32_t keyBits(const EVP_PKEY& key);

// NIST name of an EC key's named curve ("P-256", "P-384", ...); empty for a curve NIST does
// not name (secp256k1, the brainpool curves) and for keys of another type.
std::string nistCurveName(const EVP_PKEY& key);

// Number of primes of an RSA key's modulus (2, or more for a multi-prime key); 0 for keys of
// another type.
int32_t rsaPrimeCount(const EVP_PKEY& key);
