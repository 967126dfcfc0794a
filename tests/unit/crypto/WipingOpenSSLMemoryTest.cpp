#include "crypto/WipingOpenSSLMemory.h"

#include "crypto/ObjectParsing.h"
#include "crypto/ScratchDirectory.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

// Installed as the program does, before anything in this test binary reaches the library.
const bool installed = installWipingOpenSSLMemory();

size_t blocksFreed = 0;
size_t blocksLeftWithData = 0;

void inspect(const unsigned char* block, size_t size) {
    ++blocksFreed;
    if (std::any_of(block, block + size, [](unsigned char byte) { return byte != 0; })) {
        ++blocksLeftWithData;
    }
}

} // namespace

TEST(WipingOpenSSLMemory, BlocksFreedWhileAPrivateKeyIsReadHoldNothingOfIt) {
    ASSERT_TRUE(installed);
    const ScratchDirectory scratch;
    scratch.openssl("genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out rsa.pem");
    scratch.openssl("genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out ec.pem");
    for (const char* name : {"rsa.pem", "ec.pem"}) {
        const std::vector<uint8_t> file = scratch.bytes(name);
        blocksFreed = blocksLeftWithData = 0;
        observeWipedOpenSSLBlocks(inspect);
        parsePrivateKey(file).reset();
        observeWipedOpenSSLBlocks(nullptr);
        // The decoders' copies of the DER and the components, and the key itself.
        EXPECT_GT(blocksFreed, 10U) << name;
        EXPECT_EQ(blocksLeftWithData, 0U) << name;
    }
}
