#pragma once

#include "crypto/OpenSSLHandles.h"
#include "device/piv/CertificateRequest.h"
#include "device/piv/DigestInfo.h"

#include <cstdint>
#include <string>
#include <vector>

// Bytes of a self-signed certificate's serial number; the number is random and positive.
inline constexpr size_t selfSignedSerialLength = 16;

// An X.509 v3 certificate for publicKey whose issuer is its subject, signed with signingKey
// (whose method may hand the signature to the card): a random serial from the library's
// generator, valid from now for validDays days, basic constraints CA:FALSE, the subject key
// identifier, the authority key identifier of the same key and the subject alternative names
// ("DNS:name", ...), if any. OpenSSLException when the library fails or the signing does.
X509Ptr buildSelfSignedCertificate(EVP_PKEY& publicKey, EVP_PKEY& signingKey, HashType hashType,
                                   const SubjectFields& subject,
                                   const std::vector<std::string>& altNames, uint32_t validDays);
