#include "crypto/KeyInfo.h"

#include "crypto/ObjectParsing.h"
#include "crypto/OpenSSLException.h"
#include "crypto/PublicKeys.h"
#include "crypto/ScratchDirectory.h"
#include "encoding/Hex.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// SEC1 ECPrivateKey on P-256 with the scalar 00 01 02 ... 1F and no public key.
std::vector<uint8_t> scalarWithLeadingZero() {
    std::vector<uint8_t> der = hexToBytes("30310201010420");
    for (uint8_t byte = 0; byte < 32; ++byte) {
        der.push_back(byte);
    }
    const std::vector<uint8_t> curve = hexToBytes("A00A06082A8648CE3D030107");
    der.insert(der.end(), curve.begin(), curve.end());
    return der;
}

std::unique_ptr<KeyInfo> describe(EvpPkeyPtr key) {
    return isRSAKey(*key) ? makeRSAKeyInfo(std::move(key)) : makeECKeyInfo(std::move(key));
}

} // namespace

TEST(CryptoKeyInfo, TakesTheComponentsTheKeyHas) {
    const ScratchDirectory scratch;
    scratch.openssl("genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out rsa.pem");
    scratch.openssl("pkey -in rsa.pem -pubout -out rsa.pub");
    scratch.openssl("genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-384 -out ec.pem");
    scratch.openssl("pkey -in ec.pem -pubout -out ec.pub");

    struct Case {
        std::string name;
        EvpPkeyPtr key;
        std::string type;
        int32_t bits;
        size_t secretFields; // RSA: private components present; EC: scalar length
    };
    std::vector<Case> cases;
    cases.push_back({"rsa private", parsePrivateKey(scratch.bytes("rsa.pem")), "RSA", 1024, 5});
    cases.push_back({"rsa public", parsePublicKey(scratch.bytes("rsa.pub")), "RSA", 1024, 0});
    cases.push_back({"ec public", parsePublicKey(scratch.bytes("ec.pub")), "EC", 384, 0});
    cases.push_back({"ec leading zero", parsePrivateKey(scalarWithLeadingZero()), "EC", 256, 31});
    for (Case& c : cases) {
        const std::unique_ptr<KeyInfo> info = describe(std::move(c.key));
        EXPECT_EQ(info->type, c.type) << c.name;
        EXPECT_EQ(info->bits, c.bits) << c.name;
        if (RSAKeyInfo* rsa = info->asRSA()) {
            EXPECT_EQ(rsa->modulus.size(), 128U) << c.name;
            EXPECT_EQ(rsa->publicExponent, hexToBytes("010001")) << c.name;
            const size_t present = !rsa->prime1.empty() + !rsa->prime2.empty() +
                                   !rsa->exponent1.empty() + !rsa->exponent2.empty() +
                                   !rsa->coefficient.empty();
            EXPECT_EQ(present, c.secretFields) << c.name;
        } else {
            EXPECT_EQ(info->asEC()->privateKey.size(), c.secretFields) << c.name;
        }
    }
    const std::vector<uint8_t> scalar = scalarWithLeadingZero();
    const std::unique_ptr<KeyInfo> ec = describe(parsePrivateKey(scalar));
    const SecretBytes& privateKey = ec->asEC()->privateKey;
    EXPECT_EQ(std::vector<uint8_t>(privateKey.begin(), privateKey.end()),
              std::vector<uint8_t>(scalar.begin() + 8, scalar.begin() + 39));
}
