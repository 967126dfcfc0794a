#pragma once

#include "PivCard.h"
#include "crypto/OpenSSLHandles.h"

#include <functional>
#include <map>
#include <openssl/pem.h>
#include <openssl/x509.h>

// A PIV card that holds data objects and signs: GET DATA answers from objects (6A 82 for an
// absent one), PUT DATA records the content it receives, GENERAL AUTHENTICATE with the
// management key passes, VERIFY answers pinAnswer, and a signing request goes to signer with
// the challenge of the (reassembled) command data.
struct ObjectCard : PivCard {
    ObjectCard() {
        handler = [this](const Bytes& command) { return answerTo(command); };
    }

    Bytes answerTo(const Bytes& command) {
        if (command == select) {
            return selectAnswer;
        }
        const Bytes data(command.begin() + 5, command.end());
        pending.insert(pending.end(), data.begin(), data.end());
        if (command[0] == 0x10) {
            return bytesOf("90 00");
        }
        const Bytes whole = std::move(pending);
        pending.clear();
        return answerWhole(command[1], command[2], command[3], whole);
    }

    Bytes answerWhole(uint8_t ins, uint8_t p1, uint8_t p2, const Bytes& data) {
        if (ins == 0x87 && p1 == 0x03 && p2 == 0x9B) {
            return data.size() == 4 ? bytesOf(witness) : bytesOf("90 00");
        }
        if (ins == 0x20) {
            return bytesOf(pinAnswer);
        }
        if (ins == 0xCB) {
            const auto found = objects.find(Bytes(data.begin() + 2, data.end()));
            return found == objects.end() ? bytesOf("6A 82") : bytesOf(found->second);
        }
        if (ins == 0xDB) {
            written.emplace_back(Bytes(data.begin() + 2, data.begin() + 5),
                                 Bytes(data.begin() + 5, data.end()));
            return bytesOf("90 00");
        }
        if (ins == 0x87 && signer) {
            return signer(p1, p2, data);
        }
        return bytesOf("6D 00");
    }

    // Object identifier (5F C1 xx) → answer as hex, status word included.
    std::map<Bytes, std::string> objects;
    // PUT DATA: object identifier and content, in order.
    std::vector<std::pair<Bytes, Bytes>> written;
    std::string witness = witnessAnswer;
    std::string pinAnswer = "90 00";
    std::function<Bytes(uint8_t algorithm, uint8_t slot, const Bytes& data)> signer;
    Bytes pending;
};

inline Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

inline std::string hexOf(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (const uint8_t byte : bytes) {
        hex += digits[byte >> 4];
        hex += digits[byte & 0x0F];
        hex += ' ';
    }
    return hex;
}

// A self-signed certificate for the key, as DER.
inline Bytes selfSignedDer(EVP_PKEY& key, const char* commonName) {
    const X509Ptr certificate(X509_new());
    X509_set_version(certificate.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), 0);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 86400);
    X509_set_pubkey(certificate.get(), &key);
    X509_NAME* name = X509_get_subject_name(certificate.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509_set_issuer_name(certificate.get(), name);
    X509_sign(certificate.get(), &key, EVP_sha256());
    unsigned char* der = nullptr;
    const int length = i2d_X509(certificate.get(), &der);
    Bytes bytes(der, der + length);
    OPENSSL_free(der);
    return bytes;
}

inline Bytes pemOf(const Bytes& der) {
    const unsigned char* in = der.data();
    const X509Ptr certificate(d2i_X509(nullptr, &in, static_cast<long>(der.size())));
    const BioPtr bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_X509(bio.get(), certificate.get());
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return Bytes(data, data + length);
}

// The certificate object content 53 { 70 der, 71 00, FE } (lengths in the 82 form).
inline Bytes certificateObject(const Bytes& der) {
    const auto length = [](size_t size) {
        return Bytes{0x82, static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)};
    };
    const Bytes inner = joined({{0x70}, length(der.size()), der, bytesOf("71 01 00 FE 00")});
    return joined({{0x53}, length(inner.size()), inner});
}

inline std::string answerWith(const Bytes& content) {
    return hexOf(content) + "90 00";
}
