#include "crypto/PublicKeys.h"

#include "crypto/KeyInfo.h"
#include "crypto/ObjectParsing.h"
#include "crypto/OpenSSLException.h"
#include "crypto/PemPrinting.h"
#include "crypto/ScratchDirectory.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

// Keys rebuilt from raw card material print as the openssl command line prints them.
TEST(CryptoPublicKeys, RebuildsKeysFromRawMaterial) {
    const ScratchDirectory scratch;
    scratch.openssl("genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out rsa.pem");
    scratch.openssl("pkey -in rsa.pem -pubout -out rsa.pub");
    scratch.openssl("genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-384 -out ec.pem");
    scratch.openssl("pkey -in ec.pem -pubout -out ec.pub");
    scratch.openssl("pkey -in ec.pem -pubout -outform DER -out ec.der");
    const std::vector<uint8_t> ecDer = scratch.bytes("ec.der");
    const std::vector<uint8_t> point(ecDer.end() - 97, ecDer.end());
    std::vector<uint8_t> offCurve = point;
    offCurve.back() ^= 1;

    const std::unique_ptr<KeyInfo> rsa = makeRSAKeyInfo(parsePublicKey(scratch.bytes("rsa.pub")));
    const std::vector<uint8_t>& modulus = rsa->asRSA()->modulus;
    const std::vector<uint8_t>& exponent = rsa->asRSA()->publicExponent;
    struct Case {
        std::string name;
        std::function<EvpPkeyPtr()> make;
        std::string expected; // PEM file, or the failure message
    };
    const std::vector<Case> cases = {
        {"rsa", [&] { return makeRSAPublicKey(modulus, exponent); }, "rsa.pub"},
        {"ec", [&] { return makeECPublicKey("P-384", point); }, "ec.pub"},
        {"curve", [&] { return makeECPublicKey("P-999", point); }, "Failed to create EC group"},
        {"point", [&] { return makeECPublicKey("P-384", offCurve); },
         "Failed to set EC public point"},
    };
    for (const Case& c : cases) {
        try {
            const std::vector<uint8_t> pem = scratch.bytes(c.expected);
            EXPECT_EQ(printPublicKey(*c.make()), std::string(pem.begin(), pem.end())) << c.name;
        } catch (const OpenSSLException& error) {
            const std::string message = error.what();
            EXPECT_EQ(message.substr(0, message.find(':')), c.expected) << c.name;
        }
    }
}
