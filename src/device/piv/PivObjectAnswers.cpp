#include "device/piv/PivObjectAnswers.h"

#include "crypto/ObjectParsing.h"
#include "crypto/OpenSSLException.h"
#include "device/transport/DeviceException.h"
#include "encoding/BerTlvBuilder.h"
#include "encoding/BerTlvParser.h"

namespace {

constexpr uint8_t tagObject = 0x53;
constexpr uint8_t tagCertificate = 0x70;
constexpr uint8_t tagOnCardCerts = 0xC1;
constexpr uint8_t tagOffCardCerts = 0xC2;
constexpr uint8_t tagOffCardUrl = 0xF3;
constexpr uint8_t tagErrorDetection = 0xFE;
constexpr uint8_t tagAuthenticationTemplate = 0x7C;
constexpr uint8_t tagResponse = 0x82;

const Bytes emptiedObject{0x53, 0x00};

[[noreturn]] void failInvalidData() {
    throw DeviceException(QUENLIX_KEY_ERROR_INVALID_DATA, 0);
}

uint8_t singleByte(BerTlvParser& parser, uint32_t tag) {
    const Bytes value = parser.find(tag);
    if (value.size() != 1) {
        failInvalidData();
    }
    return value[0];
}

} // namespace

std::optional<CertificateInfo> parseCertificateObject(const Bytes& object) {
    const Bytes content = BerTlvParser(object).find(tagObject);
    if (content.empty() && object != emptiedObject) {
        failInvalidData();
    }
    const Bytes certificate = BerTlvParser(content).find(tagCertificate);
    if (certificate.empty()) {
        return std::nullopt;
    }
    try {
        return describeCertificate(*parseCertificate(certificate));
    } catch (const OpenSSLException&) {
        failInvalidData();
    }
}

PivKeyHistory parseKeyHistory(const Bytes& object) {
    BerTlvParser content(BerTlvParser(object).find(tagObject));
    PivKeyHistory history;
    history.keysWithOnCardCerts = singleByte(content, tagOnCardCerts);
    history.keysWithOffCardCerts = singleByte(content, tagOffCardCerts);
    history.offCardCertUrl = content.find(tagOffCardUrl);
    return history;
}

Bytes encodeKeyHistory(const PivKeyHistory& history) {
    BerTlvBuilder builder;
    ConstructedBerTlv& content = builder.addConstructed(tagObject);
    content.addPrimitive(tagOnCardCerts, {history.keysWithOnCardCerts});
    content.addPrimitive(tagOffCardCerts, {history.keysWithOffCardCerts});
    if (!history.offCardCertUrl.empty()) {
        content.addPrimitive(tagOffCardUrl, history.offCardCertUrl);
    }
    content.addPrimitive(tagErrorDetection, {});
    return builder.build();
}

Bytes parseSignatureAnswer(const Bytes& answer) {
    Bytes signature =
        BerTlvParser(BerTlvParser(answer).find(tagAuthenticationTemplate)).find(tagResponse);
    if (signature.empty()) {
        throw DeviceException(QUENLIX_KEY_ERROR_INVALID_RESPONSE, 0);
    }
    return signature;
}
