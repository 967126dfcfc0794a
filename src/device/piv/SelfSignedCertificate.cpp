#include "device/piv/SelfSignedCertificate.h"

#include "crypto/OpenSSLException.h"
#include "crypto/SubjectAltNames.h"

#include <array>
#include <openssl/err.h>
#include <openssl/rand.h>

namespace {

// Positive and of the full length: the top bit clear, the next one set.
void setRandomSerial(X509& certificate) {
    std::array<unsigned char, selfSignedSerialLength> bytes{};
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
        throw OpenSSLException("Could not make a random serial number");
    }
    bytes[0] = static_cast<unsigned char>((bytes[0] & 0x7F) | 0x40);
    const BignumPtr number(BN_bin2bn(bytes.data(), static_cast<int>(bytes.size()), nullptr));
    const Asn1IntegerPtr serial(number ? BN_to_ASN1_INTEGER(number.get(), nullptr) : nullptr);
    if (!serial || X509_set_serialNumber(&certificate, serial.get()) != 1) {
        throw OpenSSLException("Could not set the serial number");
    }
}

void setValidity(X509& certificate, uint32_t validDays) {
    if (X509_gmtime_adj(X509_getm_notBefore(&certificate), 0) == nullptr ||
        X509_time_adj_ex(X509_getm_notAfter(&certificate), static_cast<int>(validDays), 0,
                         nullptr) == nullptr) {
        throw OpenSSLException("Could not set the validity");
    }
}

void addExtension(X509& certificate, X509V3_CTX& context, int nid, const char* value) {
    const X509ExtensionPtr extension(
        X509V3_EXT_conf_nid(nullptr, &context, nid, const_cast<char*>(value)));
    if (!extension || X509_add_ext(&certificate, extension.get(), -1) != 1) {
        throw OpenSSLException(std::string("Could not add extension ") + OBJ_nid2sn(nid));
    }
}

void addExtensions(X509& certificate, const std::vector<std::string>& altNames) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, &certificate, &certificate, nullptr, nullptr, 0);
    addExtension(certificate, context, NID_basic_constraints, "critical,CA:FALSE");
    // The authority key identifier is taken from the subject key identifier added before it.
    addExtension(certificate, context, NID_subject_key_identifier, "hash");
    addExtension(certificate, context, NID_authority_key_identifier, "keyid:always");
    if (altNames.empty()) {
        return;
    }
    const GeneralNamesPtr names = makeSubjectAltNames(altNames);
    if (X509_add1_ext_i2d(&certificate, NID_subject_alt_name, names.get(), 0, X509V3_ADD_DEFAULT) !=
        1) {
        throw OpenSSLException("Could not add subject alternative names");
    }
}

} // namespace

// The two keys are named at each call.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
X509Ptr buildSelfSignedCertificate(EVP_PKEY& publicKey, EVP_PKEY& signingKey, HashType hashType,
                                   const SubjectFields& subject,
                                   const std::vector<std::string>& altNames, uint32_t validDays) {
    ERR_clear_error();
    X509Ptr certificate(X509_new());
    if (!certificate || X509_set_version(certificate.get(), 2) != 1) {
        throw OpenSSLException("Could not create certificate");
    }
    setRandomSerial(*certificate);
    setValidity(*certificate, validDays);
    if (X509_set_pubkey(certificate.get(), &publicKey) != 1) {
        throw OpenSSLException("Error setting public key");
    }
    X509_NAME* name = X509_get_subject_name(certificate.get());
    if (name == nullptr) {
        throw OpenSSLException("Could not get certificate subject name.");
    }
    addSubjectFields(*name, subject);
    if (X509_set_issuer_name(certificate.get(), name) != 1) {
        throw OpenSSLException("Could not set certificate issuer name");
    }
    addExtensions(*certificate, altNames);
    if (X509_sign(certificate.get(), &signingKey, digestForHashType(hashType)) <= 0) {
        throw OpenSSLException("Error signing certificate");
    }
    return certificate;
}
