#pragma once

#include <cstdint>
#include <openssl/x509.h>
#include <string>
#include <vector>

// Description of one certificate, as the certificate listing and export show it.
struct CertificateInfo {
    std::string algorithm; // "RSA" or "EC"
    int32_t bits = 0;
    std::string subject;
    std::string issuer;
    std::vector<uint8_t> fingerprint; // SHA-256 of der
    std::string notBefore;
    std::string notAfter;
    std::vector<uint8_t> der;
    std::string pem;
};

using X509NameAccessor = X509_NAME* (*)(const X509*);
using Asn1TimeAccessor = const ASN1_TIME* (*)(const X509*);

// Throws OpenSSLException ("Unknown key type" for keys other than RSA and EC).
CertificateInfo describeCertificate(const X509& certificate);

// One-line name ("C=DE, O=Example, CN=Name"); accessor is X509_get_subject_name or
// X509_get_issuer_name.
std::string printX509Name(const X509& certificate, X509NameAccessor accessor);

// "Jan  5 09:30:00 2025 GMT"; accessor is X509_get0_notBefore or X509_get0_notAfter.
std::string printAsn1Time(const X509& certificate, Asn1TimeAccessor accessor);
