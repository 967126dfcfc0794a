#pragma once

#include "crypto/OpenSSLHandles.h"

#include <string>

// PEM text of a library object, final line feed included; OpenSSLException on failure.
std::string printCertificateRequest(const X509_REQ& request);
std::string printPublicKey(const EVP_PKEY& key);
std::string printCertificate(const X509& certificate);
