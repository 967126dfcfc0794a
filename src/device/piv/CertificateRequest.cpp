#include "device/piv/CertificateRequest.h"

#include "crypto/OpenSSLException.h"
#include "crypto/SubjectAltNames.h"

#include <openssl/err.h>

void addSubjectField(X509_NAME& name, const std::string& field, const std::string& value) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(value.data());
    if (X509_NAME_add_entry_by_txt(&name, field.c_str(), MBSTRING_ASC, bytes,
                                   static_cast<int>(value.size()), -1, 0) != 1) {
        throw OpenSSLException("Could not set field " + field + " with value " + value);
    }
}

void addSubjectFields(X509_NAME& name, const SubjectFields& subject) {
    const std::pair<const char*, const std::string&> fields[] = {
        {"CN", subject.commonName},
        {"C", subject.country},
        {"O", subject.organization},
        {"OU", subject.organizationUnit},
    };
    for (const auto& [field, value] : fields) {
        if (!value.empty()) {
            addSubjectField(name, field, value);
        }
    }
}

namespace {

void addRequestedAltNames(X509_REQ& request, const std::vector<std::string>& altNames) {
    const GeneralNamesPtr names = makeSubjectAltNames(altNames);
    X509ExtensionPtr extension(X509V3_EXT_i2d(NID_subject_alt_name, 0, names.get()));
    STACK_OF(X509_EXTENSION)* extensions = sk_X509_EXTENSION_new_null();
    const bool added = extension && extensions != nullptr &&
                       sk_X509_EXTENSION_push(extensions, extension.get()) > 0 &&
                       X509_REQ_add_extensions(&request, extensions) == 1;
    sk_X509_EXTENSION_free(extensions);
    if (!added) {
        throw OpenSSLException("Could not add subject alternative names");
    }
}

} // namespace

// The two keys are named at each call.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
X509ReqPtr buildSignedRequest(EVP_PKEY& publicKey, EVP_PKEY& signingKey, HashType hashType,
                              const SubjectFields& subject,
                              const std::vector<std::string>& altNames) {
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
    addSubjectFields(*name, subject);
    if (!altNames.empty()) {
        addRequestedAltNames(*request, altNames);
    }
    // The library returns the signature's length on success.
    if (X509_REQ_sign(request.get(), &signingKey, digestForHashType(hashType)) <= 0) {
        throw OpenSSLException("Error signing certificate signing request");
    }
    return request;
}
