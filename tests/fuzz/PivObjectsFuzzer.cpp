// Feeds arbitrary card answers to the PIV certificate, Key History and signing code through
// the scripted PC/SC table of the unit tests: a certificate object read by piv_readCertificate,
// the Key History object and a retired slot's certificate object met by piv_updateKeyHistory,
// and the GENERAL AUTHENTICATE answer of an EC or RSA certificate request. The first input
// byte picks the case, the rest is the answer. Every call must end in a known code, and a
// success must hand out what the caller can use.

#include "PivFuzzing.h"
#include "crypto/KeyInfo.h"
#include "device/ScriptedCard.h"
#include "device/piv/Piv.h"
#include "device/transport/QuenlixKeyError.h"

#include <cstdlib>
#include <openssl/pem.h>
#include <string>

namespace {

using namespace pivfuzz;

const Bytes selectPiv = bytesOf("00 A4 04 00 0A A0 00 00 03 08 00 00 10 00 01");
const Bytes selectAnswer = bytesOf("61 07 50 05 31 2E 34 2E 32 90 00");
const Bytes keyHistoryObject = bytesOf("5F C1 0C");
const Bytes lastRetiredObject = bytesOf("5F C1 20");

// Answers GET DATA of one object with the fuzzed answer (others: the given default or 6A 82),
// the management-key witness, and any other command with 90 00 or, for signing, the fuzzed
// answer.
struct FuzzedCard : ScriptedCard {
    FuzzedCard(Bytes fuzzedObject, Bytes fuzzed) : object(std::move(fuzzedObject)) {
        answer = withSuccess(std::move(fuzzed));
        handler = [this](const Bytes& command) { return answerTo(command); };
    }

    Bytes answerTo(const Bytes& command) {
        if (command == selectPiv) {
            return selectAnswer;
        }
        const Bytes data(command.begin() + std::min<size_t>(command.size(), 5), command.end());
        if (command[1] == 0x87 && command[2] == 0x03) {
            return data.size() == 4 ? bytesOf("7C 0A 81 08 00 11 22 33 44 55 66 77 90 00")
                                    : bytesOf("90 00");
        }
        if (command[1] == 0xCB && data.size() == 5) {
            const Bytes id(data.begin() + 2, data.end());
            if (id == object) {
                return answer;
            }
            return id == keyHistoryObject ? bytesOf("53 06 C1 01 01 C2 01 00 90 00")
                                          : bytesOf("6A 82");
        }
        if (command[1] == 0x87 && command[0] == 0x00) {
            return answer;
        }
        return bytesOf("90 00");
    }

    Bytes object;
    Bytes answer;
};

void certificateObject(const Bytes& answer) {
    FuzzedCard card(bytesOf("5F C1 0A"), answer);
    CertificateInfo* certificate = nullptr;
    const int32_t code = piv_readCertificate(reader, 0x9C, &certificate);
    require(knownCode(code));
    require((code == 0) == (certificate != nullptr));
    if (certificate != nullptr) {
        require(piv_certificateFingerprintLength(certificate) == 32);
        require(std::string(piv_certificatePem(certificate)).starts_with("-----BEGIN"));
    }
    piv_freeCertificate(certificate);
}

void keyHistory(const Bytes& object, const Bytes& answer) {
    FuzzedCard card(object, answer);
    require(knownCode(piv_updateKeyHistory(reader, managementKey)));
}

KeyInfo& requestKey(bool rsa) {
    static const std::unique_ptr<KeyInfo> ec =
        makeECKeyInfo(EvpPkeyPtr(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256")));
    static const std::unique_ptr<KeyInfo> rsa1024 =
        makeRSAKeyInfo(EvpPkeyPtr(EVP_PKEY_Q_keygen(nullptr, nullptr, "RSA", size_t{1024})));
    return rsa ? *rsa1024 : *ec;
}

void signature(const Bytes& answer, bool rsa) {
    FuzzedCard card({}, answer);
    uint64_t size = 0;
    const int32_t code = piv_createCertificateRequest(reader, "123456", 0x9A, &requestKey(rsa),
                                                      "CN", "", "", "", nullptr, &size);
    require(knownCode(code));
    require(code != 0 || size > 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const Bytes answer(data + 1, data + size);
    switch (data[0] % 5) {
    case 0:
        certificateObject(answer);
        break;
    case 1:
        keyHistory(keyHistoryObject, answer);
        break;
    case 2:
        keyHistory(lastRetiredObject, answer);
        break;
    case 3:
        signature(answer, false);
        break;
    default:
        signature(answer, true);
        break;
    }
    return 0;
}
