#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <openssl/crypto.h>
#include <vector>

// Allocator that wipes every block before giving it back, so that a PIN, PUK or key held in a
// container is gone from memory once the container (or a reallocation of it) releases it.
template <typename T> struct WipingAllocator {
    using value_type = T;

    WipingAllocator() = default;
    template <typename U> WipingAllocator(const WipingAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) { return std::allocator<T>().allocate(count); }

    void deallocate(T* block, std::size_t count) noexcept {
        OPENSSL_cleanse(block, count * sizeof(T));
        std::allocator<T>().deallocate(block, count);
    }

    template <typename U> bool operator==(const WipingAllocator<U>&) const noexcept { return true; }
};

// Secret bytes (PINs, PUKs, management keys, OTP keys, private key components and the APDU
// buffers that carry them): wiped when released.
using SecretBytes = std::vector<uint8_t, WipingAllocator<uint8_t>>;
