#include "crypto/KeyInfo.h"
#include "device/piv/Piv.h"
#include "device/piv/PivSession.h"
#include "device/session/RunInSession.h"
#include "encoding/SecretText.h"

// The entry points keep the device API's C signatures: the reader first, then texts and
// numbers in the documented order, told apart by their names. The swap warning asks for
// a different API.
// NOLINTBEGIN(bugprone-easily-swappable-parameters)

int32_t piv_generateKeyPair(const char* readerName, const char* managementKey, uint8_t slot,
                            uint8_t algorithm, KeyInfo** keyInfo) {
    const PivKeyPolicies policies;
    return piv_generateKeyPairWithPolicies(readerName, managementKey, slot, algorithm, policies.pin,
                                           policies.touch, keyInfo);
}

int32_t piv_generateKeyPairWithPolicies(const char* readerName, const char* managementKey,
                                        uint8_t slot, uint8_t algorithm, uint8_t pinPolicy,
                                        uint8_t touchPolicy, KeyInfo** keyInfo) {
    if (keyInfo == nullptr || managementKey == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    std::unique_ptr<KeyInfo> generated;
    const int32_t result = runInSession<PivSession>(readerName, [&](PivSession& session) {
        session.authenticate(secretText(managementKey));
        generated = session.generateKeyPair(slot, algorithm, {pinPolicy, touchPolicy});
    });
    if (result == QUENLIX_KEY_ERROR_NOERROR) {
        // The caller owns the description from here and gives it back to piv_freeKeyInfo.
        *keyInfo = generated.release();
    }
    return result;
}

int32_t piv_importPrivateKey(const char* readerName, const char* managementKey, uint8_t slot,
                             const uint8_t* keyData, uint64_t keyDataLength) {
    const PivKeyPolicies policies;
    return piv_importPrivateKeyWithPolicies(readerName, managementKey, slot, keyData, keyDataLength,
                                            policies.pin, policies.touch);
}

int32_t piv_importPrivateKeyWithPolicies(const char* readerName, const char* managementKey,
                                         uint8_t slot, const uint8_t* keyData,
                                         uint64_t keyDataLength, uint8_t pinPolicy,
                                         uint8_t touchPolicy) {
    if (managementKey == nullptr || keyData == nullptr) {
        return QUENLIX_KEY_ERROR_INVALID_ARGUMENT;
    }
    const SecretBytes key(keyData, keyData + keyDataLength);
    return runInSession<PivSession>(readerName, [&](PivSession& session) {
        session.authenticate(secretText(managementKey));
        session.importPrivateKey(slot, key, {pinPolicy, touchPolicy});
    });
}

void piv_freeKeyInfo(KeyInfo* keyInfo) {
    std::unique_ptr<KeyInfo> released(keyInfo);
}

// NOLINTEND(bugprone-easily-swappable-parameters)
