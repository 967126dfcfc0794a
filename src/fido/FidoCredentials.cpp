#include "fido/FidoCredentials.h"

#include "fido/FidoDevice.h"
#include "fido/FidoResult.h"

#include <fido/credman.h>
#include <memory>
#include <stdexcept>

namespace {

template <auto Free> struct CredmanDeleter {
    template <typename T> void operator()(T* object) const { Free(&object); }
};
using MetadataHandle =
    std::unique_ptr<fido_credman_metadata_t, CredmanDeleter<fido_credman_metadata_free>>;
using RelyingPartiesHandle =
    std::unique_ptr<fido_credman_rp_t, CredmanDeleter<fido_credman_rp_free>>;
using CredentialsHandle = std::unique_ptr<fido_credman_rk_t, CredmanDeleter<fido_credman_rk_free>>;

// An authenticator without credential management answers the command as unknown.
void throwOnCredentialManagementError(int result) {
    if (result == FIDO_ERR_INVALID_COMMAND || result == FIDO_ERR_UNSUPPORTED_OPTION) {
        throw FidoError("This key does not support credential management", result);
    }
    throwOnFidoError(result);
}

std::string textOf(const char* text) {
    return text == nullptr ? "" : text;
}

std::vector<uint8_t> bytesOf(const unsigned char* bytes, size_t length) {
    return bytes == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(bytes, bytes + length);
}

std::vector<FidoCredential> credentialsOf(fido_dev_t* device, const std::string& rpId,
                                          const std::string& pin) {
    CredentialsHandle credentials(requireAllocated(fido_credman_rk_new()));
    throwOnCredentialManagementError(
        fido_credman_get_dev_rk(device, rpId.c_str(), credentials.get(), pin.c_str()));
    std::vector<FidoCredential> all;
    for (size_t i = 0; i < fido_credman_rk_count(credentials.get()); ++i) {
        const fido_cred_t* credential = fido_credman_rk(credentials.get(), i);
        if (credential == nullptr) {
            continue;
        }
        all.push_back(
            {textOf(fido_cred_user_name(credential)), textOf(fido_cred_display_name(credential)),
             bytesOf(fido_cred_user_id_ptr(credential), fido_cred_user_id_len(credential)),
             bytesOf(fido_cred_id_ptr(credential), fido_cred_id_len(credential))});
    }
    return all;
}

} // namespace

FidoCredentialListing fidoListCredentials(const std::string& path, const std::string& pin) {
    return withFidoDevice(path, [&pin](fido_dev_t* device) {
        FidoCredentialListing listing;
        MetadataHandle metadata(requireAllocated(fido_credman_metadata_new()));
        throwOnCredentialManagementError(
            fido_credman_get_dev_metadata(device, metadata.get(), pin.c_str()));
        listing.existing = fido_credman_rk_existing(metadata.get());
        listing.remaining = fido_credman_rk_remaining(metadata.get());
        // A key without credentials answers the enumeration with an error.
        if (listing.existing == 0) {
            return listing;
        }
        RelyingPartiesHandle parties(requireAllocated(fido_credman_rp_new()));
        throwOnCredentialManagementError(
            fido_credman_get_dev_rp(device, parties.get(), pin.c_str()));
        for (size_t i = 0; i < fido_credman_rp_count(parties.get()); ++i) {
            FidoRelyingParty party{textOf(fido_credman_rp_id(parties.get(), i)),
                                   textOf(fido_credman_rp_name(parties.get(), i)),
                                   {}};
            party.credentials = credentialsOf(device, party.id, pin);
            listing.relyingParties.push_back(std::move(party));
        }
        return listing;
    });
}

// Path, then PIN, as every device operation takes them.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void fidoDeleteCredential(const std::string& path, const std::string& pin,
                          const std::vector<uint8_t>& credentialId) {
    const int result = withFidoDevice(path, [&](fido_dev_t* device) {
        return fido_credman_del_dev_rk(device, credentialId.data(), credentialId.size(),
                                       pin.c_str());
    });
    if (result == FIDO_ERR_NO_CREDENTIALS) {
        throw std::runtime_error("No credential with this ID on the key");
    }
    throwOnCredentialManagementError(result);
}
