#include "crypto/WipingOpenSSLMemory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <openssl/crypto.h>

namespace {

// Each block is preceded by its size, so that the free knows how much to wipe; the header
// keeps the block aligned as malloc's own blocks are.
constexpr size_t headerSize = alignof(std::max_align_t);

void (*wipedBlockObserver)(const unsigned char*, size_t) = nullptr;

unsigned char* headerOf(void* block) {
    return static_cast<unsigned char*>(block) - headerSize;
}

size_t sizeOf(void* block) {
    size_t size = 0;
    std::memcpy(&size, headerOf(block), sizeof size);
    return size;
}

void* wipingMalloc(size_t size, const char*, int) {
    if (size > SIZE_MAX - headerSize) {
        return nullptr;
    }
    auto* header = static_cast<unsigned char*>(std::malloc(headerSize + size));
    if (header == nullptr) {
        return nullptr;
    }
    std::memcpy(header, &size, sizeof size);
    return header + headerSize;
}

void wipingFree(void* block, const char*, int) {
    if (block == nullptr) {
        return;
    }
    const size_t size = sizeOf(block);
    OPENSSL_cleanse(block, size);
    if (wipedBlockObserver != nullptr) {
        wipedBlockObserver(static_cast<const unsigned char*>(block), size);
    }
    std::free(headerOf(block));
}

// Always a new block, so that the old one is wiped rather than left behind by realloc.
void* wipingRealloc(void* block, size_t size, const char* file, int line) {
    if (block == nullptr) {
        return wipingMalloc(size, file, line);
    }
    if (size == 0) {
        wipingFree(block, file, line);
        return nullptr;
    }
    void* moved = wipingMalloc(size, file, line);
    if (moved != nullptr) {
        std::memcpy(moved, block, std::min(size, sizeOf(block)));
        wipingFree(block, file, line);
    }
    return moved;
}

} // namespace

bool installWipingOpenSSLMemory() {
    return CRYPTO_set_mem_functions(wipingMalloc, wipingRealloc, wipingFree) == 1;
}

void observeWipedOpenSSLBlocks(void (*observer)(const unsigned char*, size_t)) {
    wipedBlockObserver = observer;
}
