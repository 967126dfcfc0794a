#pragma once

#include "crypto/OpenSSLHandles.h"
#include "device/piv/DigestInfo.h"
#include "device/transport/ApduExchange.h"

#include <cstdint>
#include <span>

// What the library's sign callbacks need to have the card sign: lives on the stack of one
// request; the card-backed key method (RSA) or key (EC) points at it, never owns it. A card
// failure inside a callback is recorded here and raised once the library has returned.
struct CardSigningContext {
    CardChannel& session;
    uint32_t algorithm; // PIV algorithm identifier of the key
    uint32_t slot;      // key reference
    HashType hashType;
    int32_t errorCode = 0; // QuenlixKeyError of a failed signing
    int32_t statusWord = 0;
};

// GENERAL AUTHENTICATE with the slot's key: RSA signs the PKCS#1 block built from the digest,
// EC the digest itself. Throws DeviceException (INVALID_RESPONSE for an answer without a
// signature) and std::runtime_error for an unknown algorithm.
Bytes signOnCard(CardChannel& session, uint8_t slot, uint8_t algorithm, HashType hashType,
                 std::span<const uint8_t> data);

// signOnCard for the callbacks: never throws; a failure is recorded in the context and gives
// an empty result.
Bytes signOnCardNoThrow(CardSigningContext& context, std::span<const uint8_t> data);

// The library's sign callbacks of the card-backed RSA method and EC key method.
int rsaSignCallback(int type, const unsigned char* digest, unsigned int digestLength,
                    unsigned char* signature, unsigned int* signatureLength, const RSA* rsa);
int ecSignCallback(int type, const unsigned char* digest, int digestLength,
                   unsigned char* signature, unsigned int* signatureLength, const BIGNUM* kinv,
                   const BIGNUM* r, EC_KEY* ecKey);

// Card-backed signing keys: copies of the public key whose private-key operation goes to the
// card. The method must outlive the key made with it.
RsaMethodPtr makeCardRSAMethod(CardSigningContext& context);
EvpPkeyPtr makeCardRSAKey(const EVP_PKEY& publicKey, RSA_METHOD& method);
EcKeyMethodPtr makeCardECKeyMethod();
EvpPkeyPtr makeCardECKey(const EVP_PKEY& publicKey, CardSigningContext& context,
                         EC_KEY_METHOD& method);
