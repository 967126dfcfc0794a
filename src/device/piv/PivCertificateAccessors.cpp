#include "crypto/CertificateInfo.h"
#include "device/piv/Piv.h"

#include <string>

namespace {

// A null record reads as empty rather than being dereferenced.
const char* textOf(const CertificateInfo* certificate, std::string CertificateInfo::*field) {
    return certificate == nullptr ? "" : (certificate->*field).c_str();
}

} // namespace

const char* piv_certificateAlgorithm(const CertificateInfo* certificate) {
    return textOf(certificate, &CertificateInfo::algorithm);
}

int32_t piv_certificateBits(const CertificateInfo* certificate) {
    return certificate == nullptr ? 0 : certificate->bits;
}

const char* piv_certificateSubject(const CertificateInfo* certificate) {
    return textOf(certificate, &CertificateInfo::subject);
}

const char* piv_certificateIssuer(const CertificateInfo* certificate) {
    return textOf(certificate, &CertificateInfo::issuer);
}

const uint8_t* piv_certificateFingerprint(const CertificateInfo* certificate) {
    return certificate == nullptr ? nullptr : certificate->fingerprint.data();
}

uint64_t piv_certificateFingerprintLength(const CertificateInfo* certificate) {
    return certificate == nullptr ? 0 : certificate->fingerprint.size();
}

const char* piv_certificateNotBefore(const CertificateInfo* certificate) {
    return textOf(certificate, &CertificateInfo::notBefore);
}

const char* piv_certificateNotAfter(const CertificateInfo* certificate) {
    return textOf(certificate, &CertificateInfo::notAfter);
}

const char* piv_certificatePem(const CertificateInfo* certificate) {
    return textOf(certificate, &CertificateInfo::pem);
}
