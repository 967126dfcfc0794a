#include "crypto/CertificateInfo.h"

#include "crypto/ObjectParsing.h"
#include "crypto/OpenSSLException.h"
#include "crypto/ScratchDirectory.h"
#include "encoding/Hex.h"

#include <gtest/gtest.h>
#include <string>

TEST(CryptoCertificateInfo, DescribesRsaAndEcCertificatesOnly) {
    struct Case {
        std::string keyOption;
        std::string algorithm; // empty: refused
        int32_t bits;
    };
    const std::vector<Case> cases = {
        {"-newkey rsa:2048", "RSA", 2048},
        {"-newkey ec -pkeyopt ec_paramgen_curve:P-384", "EC", 384},
        {"-newkey ed25519", "", 0},
    };
    const ScratchDirectory scratch;
    for (const Case& c : cases) {
        scratch.openssl("req -x509 -nodes -days 1 -keyout key.pem -out cert.pem " + c.keyOption +
                        " -subj '/C=DE/O=Example/CN=Test Name'");
        scratch.openssl("x509 -in cert.pem -outform DER -out cert.der");
        scratch.openssl("dgst -sha256 -binary -out cert.sha256 cert.der");
        const X509Ptr certificate = parseCertificate(scratch.bytes("cert.pem"));
        if (c.algorithm.empty()) {
            EXPECT_THROW(
                {
                    try {
                        describeCertificate(*certificate);
                    } catch (const OpenSSLException& error) {
                        EXPECT_EQ(std::string(error.what()), "Unknown key type");
                        throw;
                    }
                },
                OpenSSLException);
            continue;
        }
        const CertificateInfo info = describeCertificate(*certificate);
        EXPECT_EQ(info.algorithm, c.algorithm);
        EXPECT_EQ(info.bits, c.bits);
        EXPECT_EQ(info.subject, "C=DE, O=Example, CN=Test Name");
        EXPECT_EQ(info.issuer, info.subject);
        EXPECT_EQ(info.der, scratch.bytes("cert.der"));
        EXPECT_EQ(info.fingerprint, scratch.bytes("cert.sha256"));
        const std::vector<uint8_t> pem = scratch.bytes("cert.pem");
        EXPECT_EQ(info.pem, std::string(pem.begin(), pem.end()));
        EXPECT_TRUE(info.notAfter.ends_with(" GMT")) << info.notAfter;
    }
}
