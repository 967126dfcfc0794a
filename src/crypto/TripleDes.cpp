#include "crypto/TripleDes.h"

#include "crypto/OpenSSLException.h"
#include "crypto/OpenSSLHandles.h"

#include <openssl/err.h>
#include <stdexcept>

namespace {

constexpr size_t blockSize = 8;
constexpr size_t keySize = 24;

} // namespace

std::vector<uint8_t> tripleDesEncrypt(const SecretBytes& key, std::span<const uint8_t> data,
                                      SymmetricCipher cipher) {
    ERR_clear_error();
    const CipherContextPtr context(EVP_CIPHER_CTX_new());
    if (!context) {
        throw OpenSSLException("Cannot create new cipher context: Out of memory");
    }
    if (cipher != SymmetricCipher::TripleDes) {
        throw std::runtime_error("Unsupported cipher");
    }
    // The library would read 24 key bytes and write one block whatever the sizes given.
    if (key.size() != keySize || data.size() != blockSize) {
        throw std::runtime_error("Triple-DES takes one 8-byte block under a 24-byte key");
    }
    if (EVP_EncryptInit_ex(context.get(), EVP_des_ede3_ecb(), nullptr, key.data(), nullptr) != 1) {
        throw OpenSSLException("EVP encryption initialization failed");
    }
    EVP_CIPHER_CTX_set_padding(context.get(), 0);
    std::vector<uint8_t> encrypted(2 * blockSize);
    int updateLength = 0;
    if (EVP_EncryptUpdate(context.get(), encrypted.data(), &updateLength, data.data(),
                          static_cast<int>(data.size())) != 1) {
        throw OpenSSLException("EVP encryption update failed");
    }
    int finalLength = 0;
    if (EVP_EncryptFinal_ex(context.get(), encrypted.data() + updateLength, &finalLength) == 0) {
        throw OpenSSLException("EVP encryption failed");
    }
    encrypted.resize(static_cast<size_t>(updateLength) + static_cast<size_t>(finalLength));
    return encrypted;
}
