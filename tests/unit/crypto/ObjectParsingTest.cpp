#include "crypto/ObjectParsing.h"

#include "crypto/OpenSSLException.h"
#include "crypto/ScratchDirectory.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

using Parser = std::function<bool(std::span<const uint8_t>)>;

template <typename Parse> Parser parsed(Parse parse) {
    return [parse](std::span<const uint8_t> data) { return parse(data) != nullptr; };
}

} // namespace

TEST(CryptoObjectParsing, ReadsPemAndDerAndRefusesEmptyOrJunkInput) {
    const ScratchDirectory scratch;
    scratch.openssl("genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out key.pem");
    scratch.openssl("pkey -in key.pem -outform DER -out key.der");
    scratch.openssl("pkey -in key.pem -pubout -out pub.pem");
    scratch.openssl("pkey -in key.pem -pubout -outform DER -out pub.der");
    scratch.openssl("req -new -key key.pem -subj /CN=Request -out req.pem");
    scratch.openssl("req -in req.pem -outform DER -out req.der");
    scratch.openssl("req -x509 -key key.pem -subj /CN=Cert -days 1 -out cert.pem");
    scratch.openssl("x509 -in cert.pem -outform DER -out cert.der");
    const std::vector<uint8_t> junk = {'-', '-', '-', '-', '-', 0x30, 0x82, 0x01};

    const Parser certificate = parsed(parseCertificate);
    const Parser request = parsed(parseCertificateRequest);
    const Parser privateKey = parsed(parsePrivateKey);
    const Parser publicKey = parsed(parsePublicKey);
    struct Case {
        const Parser& parse;
        std::string file;    // "" for empty input, "junk" for junk
        std::string failure; // text before the queue entries; empty: parsed
    };
    const std::vector<Case> cases = {
        {certificate, "cert.pem", ""},
        {certificate, "cert.der", ""},
        {certificate, "", "PEM certificate data must not be empty."},
        {certificate, "junk", "Could not parse certificate"},
        {request, "req.pem", ""},
        {request, "req.der", "Could not parse certificate signing request"},
        {request, "", "CSR data must not be empty."},
        {privateKey, "key.pem", ""},
        {privateKey, "key.der", ""},
        {privateKey, "", "Key data must not be empty."},
        {privateKey, "pub.pem", "Could not parse key"},
        {publicKey, "pub.pem", ""},
        {publicKey, "pub.der", ""},
        {publicKey, "", "Public key data must not be empty."},
        {publicKey, "junk", "Could not parse public key"},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> data = c.file == "junk" ? junk
                                          : c.file.empty() ? std::vector<uint8_t>{}
                                                           : scratch.bytes(c.file);
        try {
            EXPECT_TRUE(c.parse(data)) << c.file;
            EXPECT_EQ(c.failure, "") << c.file;
        } catch (const OpenSSLException& error) {
            const std::string message = error.what();
            EXPECT_EQ(message.substr(0, message.find(':')), c.failure) << c.file;
        }
    }
}
