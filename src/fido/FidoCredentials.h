#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A discoverable credential (passkey) as the key reports it.
struct FidoCredential {
    std::string userName;
    std::string displayName; // empty when the key reports none
    std::vector<uint8_t> userId;
    std::vector<uint8_t> credentialId;
};

// A relying party with its credentials, in the key's order.
struct FidoRelyingParty {
    std::string id;
    std::string name; // empty when the key reports none
    std::vector<FidoCredential> credentials;
};

struct FidoCredentialListing {
    uint64_t existing = 0;
    uint64_t remaining = 0;
    std::vector<FidoRelyingParty> relyingParties;
};

// The key's discoverable credentials, read with the PIN in one opening of the device.
// FidoError as the device reports it; a key without credential management gives "This key
// does not support credential management" with libfido2's code.
FidoCredentialListing fidoListCredentials(const std::string& path, const std::string& pin);

// Deletes the one credential with this ID. std::runtime_error "No credential with this ID on
// the key" when the key holds none; otherwise as fidoListCredentials.
void fidoDeleteCredential(const std::string& path, const std::string& pin,
                          const std::vector<uint8_t>& credentialId);
