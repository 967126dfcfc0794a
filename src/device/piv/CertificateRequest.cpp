#include "device/piv/CertificateRequest.h"

#include "crypto/OpenSSLException.h"

#include <openssl/err.h>

void addSubjectField(X509_NAME& name, const std::string& field, const std::string& value) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(value.data());
    if (X509_NAME_add_entry_by_txt(&name, field.c_str(), MBSTRING_ASC, bytes,
                                   static_cast<int>(value.size()), -1, 0) != 1) {
        throw OpenSSLException("Could not set field " + field + " with value " + value);
    }
}

// The two keys are named at each call.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
X509ReqPtr buildSignedRequest(EVP_PKEY& publicKey, EVP_PKEY& signingKey, HashType hashType,
                              const SubjectFields& subject) {
    ERR_clear_error();
    X509ReqPtr request(X509_REQ_new());
    if (!request) {
        throw OpenSSLException("Could not create certificate signing request");
    }
    if (X509_REQ_set_pubkey(request.get(), &publicKey) != 1) {
        throw OpenSSLException("Error setting public key");
    }
    X509_NAME* name = X509_REQ_get_subject_name(request.get());
    if (name == nullptr) {
        throw OpenSSLException("Could not get certificate subject name.");
    }
    const std::pair<const char*, const std::string&> fields[] = {
        {"CN", subject.commonName},
        {"C", subject.country},
        {"O", subject.organization},
        {"OU", subject.organizationUnit},
    };
    for (const auto& [field, value] : fields) {
        if (!value.empty()) {
            addSubjectField(*name, field, value);
        }
    }
    // The library returns the signature's length on success.
    if (X509_REQ_sign(request.get(), &signingKey, digestForHashType(hashType)) <= 0) {
        throw OpenSSLException("Error signing certificate signing request");
    }
    return request;
}
