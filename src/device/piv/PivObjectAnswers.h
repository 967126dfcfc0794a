#pragma once

#include "crypto/CertificateInfo.h"
#include "device/transport/ApduExchange.h"

#include <optional>

// Readers of the PIV data objects and signatures the card hands back; each throws
// DeviceException for an answer it cannot use.

// A certificate object (53 { 70 certificate, 71, FE }) as GET DATA returns it. Empty for an
// emptied object (53 00, or a 53 without a certificate in it); INVALID_DATA for anything else
// that holds no readable certificate.
std::optional<CertificateInfo> parseCertificateObject(const Bytes& object);

// Content of the Key History object.
struct PivKeyHistory {
    uint8_t keysWithOnCardCerts = 0;
    uint8_t keysWithOffCardCerts = 0;
    Bytes offCardCertUrl;
};

// 53 { C1 one byte, C2 one byte, F3 optional }; INVALID_DATA when C1 or C2 is not one byte.
PivKeyHistory parseKeyHistory(const Bytes& object);

// The object content written back: 53 { C1, C2, F3 when the URL is not empty, FE }.
Bytes encodeKeyHistory(const PivKeyHistory& history);

// The signature (82 inside the template 7C) of GENERAL AUTHENTICATE; INVALID_RESPONSE when it
// is missing or empty.
Bytes parseSignatureAnswer(const Bytes& answer);
