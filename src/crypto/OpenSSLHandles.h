#pragma once

#include <memory>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

// Owning handles for the library objects: each frees its object with the library's own free
// function on every path. When a container takes a component over (RSA_set0_key,
// EVP_PKEY_assign), release() the component's handle.
template <auto FreeFunction> struct OpenSSLDeleter {
    template <typename T> void operator()(T* object) const noexcept { FreeFunction(object); }
};

using X509Ptr = std::unique_ptr<X509, OpenSSLDeleter<X509_free>>;
using X509ReqPtr = std::unique_ptr<X509_REQ, OpenSSLDeleter<X509_REQ_free>>;
using EvpPkeyPtr = std::unique_ptr<EVP_PKEY, OpenSSLDeleter<EVP_PKEY_free>>;
using RsaPtr = std::unique_ptr<RSA, OpenSSLDeleter<RSA_free>>;
using EcKeyPtr = std::unique_ptr<EC_KEY, OpenSSLDeleter<EC_KEY_free>>;
using EcGroupPtr = std::unique_ptr<EC_GROUP, OpenSSLDeleter<EC_GROUP_clear_free>>;
using EcPointPtr = std::unique_ptr<EC_POINT, OpenSSLDeleter<EC_POINT_free>>;
using BignumPtr = std::unique_ptr<BIGNUM, OpenSSLDeleter<BN_free>>;
using BioPtr = std::unique_ptr<BIO, OpenSSLDeleter<BIO_free>>;
using CipherContextPtr = std::unique_ptr<EVP_CIPHER_CTX, OpenSSLDeleter<EVP_CIPHER_CTX_free>>;
using X509SigPtr = std::unique_ptr<X509_SIG, OpenSSLDeleter<X509_SIG_free>>;
using RsaMethodPtr = std::unique_ptr<RSA_METHOD, OpenSSLDeleter<RSA_meth_free>>;
using EcKeyMethodPtr = std::unique_ptr<EC_KEY_METHOD, OpenSSLDeleter<EC_KEY_METHOD_free>>;
using GeneralNamesPtr = std::unique_ptr<GENERAL_NAMES, OpenSSLDeleter<GENERAL_NAMES_free>>;
using GeneralNamePtr = std::unique_ptr<GENERAL_NAME, OpenSSLDeleter<GENERAL_NAME_free>>;
using X509ExtensionPtr = std::unique_ptr<X509_EXTENSION, OpenSSLDeleter<X509_EXTENSION_free>>;
using Asn1IntegerPtr = std::unique_ptr<ASN1_INTEGER, OpenSSLDeleter<ASN1_INTEGER_free>>;
