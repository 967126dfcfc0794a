#pragma once

#include "crypto/OpenSSLHandles.h"
#include "device/piv/DigestInfo.h"

#include <string>
#include <vector>

// Subject fields of a request; an empty text leaves the field out.
struct SubjectFields {
    std::string commonName;
    std::string country;
    std::string organization;
    std::string organizationUnit;
};

// Appends one entry ("CN", "C", "O" or "OU") to the name; OpenSSLException "Could not set
// field CN with value ..." when the library refuses it (a common name over 64 characters).
void addSubjectField(X509_NAME& name, const std::string& field, const std::string& value);

// The subject CN, C, O, OU (in that order) of a request or certificate.
void addSubjectFields(X509_NAME& name, const SubjectFields& subject);

// A version 1 request for publicKey with the subject, signed with signingKey; the signing
// key's method may hand the signature to the card. Subject alternative names ("DNS:name",
// ...) go into an extension request attribute; without them the request has no attribute.
X509ReqPtr buildSignedRequest(EVP_PKEY& publicKey, EVP_PKEY& signingKey, HashType hashType,
                              const SubjectFields& subject,
                              const std::vector<std::string>& altNames = {});
