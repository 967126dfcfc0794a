#include "crypto/CertificateInfo.h"

#include "crypto/KeyType.h"
#include "crypto/MemoryBioText.h"
#include "crypto/OpenSSLException.h"
#include "crypto/PemPrinting.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <stdexcept>

namespace {

std::vector<uint8_t> sha256Fingerprint(const X509& certificate) {
    std::vector<uint8_t> digest(64);
    unsigned int length = 0;
    if (X509_digest(&certificate, EVP_sha256(), digest.data(), &length) != 1) {
        throw OpenSSLException("Unable to calculate digest");
    }
    digest.resize(length);
    return digest;
}

std::vector<uint8_t> derEncoding(const X509& certificate) {
    const int length = i2d_X509(&certificate, nullptr);
    if (length <= 0) {
        throw std::runtime_error("Failed to get DER encoding of the certificate");
    }
    std::vector<uint8_t> der(static_cast<size_t>(length));
    unsigned char* cursor = der.data();
    if (i2d_X509(&certificate, &cursor) != length) {
        throw std::runtime_error("Failed to get DER encoding of the certificate");
    }
    return der;
}

} // namespace

std::string printX509Name(const X509& certificate, X509NameAccessor accessor) {
    const X509_NAME* name = accessor(&certificate);
    if (name == nullptr) {
        throw OpenSSLException("Unable read X.509 name");
    }
    BioPtr bio = newMemoryBio();
    if (X509_NAME_print(bio.get(), name, 0) != 1) {
        throw OpenSSLException("Unable to print X.509 name");
    }
    return memoryBioText(*bio);
}

std::string printAsn1Time(const X509& certificate, Asn1TimeAccessor accessor) {
    const ASN1_TIME* time = accessor(&certificate);
    if (time == nullptr) {
        throw OpenSSLException("Unable read ASN1 time");
    }
    BioPtr bio = newMemoryBio();
    if (ASN1_TIME_print(bio.get(), time) != 1) {
        throw OpenSSLException("Unable to print ASN1 time");
    }
    return memoryBioText(*bio);
}

CertificateInfo describeCertificate(const X509& certificate) {
    const EVP_PKEY* key = X509_get0_pubkey(&certificate);
    if (key == nullptr) {
        throw OpenSSLException("Unknown key type");
    }
    CertificateInfo info;
    info.algorithm = keyTypeName(*key);
    info.bits = keyBits(*key);
    info.subject = printX509Name(certificate, X509_get_subject_name);
    info.issuer = printX509Name(certificate, X509_get_issuer_name);
    info.fingerprint = sha256Fingerprint(certificate);
    info.notBefore = printAsn1Time(certificate, X509_get0_notBefore);
    info.notAfter = printAsn1Time(certificate, X509_get0_notAfter);
    ERR_clear_error();
    info.der = derEncoding(certificate);
    info.pem = printCertificate(certificate);
    return info;
}
