#pragma once

#include <cstdint>
#include <openssl/evp.h>
#include <string>

// "RSA" or "EC"; OpenSSLException "Unknown key type" for any other key.
std::string keyTypeName(const EVP_PKEY& key);

// Key length in bits; OpenSSLException "Failed to get key length" when the library reports 0.
int32_t keyBits(const EVP_PKEY& key);
