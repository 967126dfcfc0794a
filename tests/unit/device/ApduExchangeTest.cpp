#include "device/transport/ApduExchange.h"

#include "DeviceFailure.h"
#include "ScriptedCard.h"

#include <gtest/gtest.h>

namespace {

class ApduExchange : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(ci_connect("Reader", &channel), CI_OK); }
    void TearDown() override { ci_disconnect(channel); }

    Bytes header(const Bytes& apdu) const { return Bytes(apdu.begin(), apdu.begin() + 5); }

    ScriptedCard card;
    CardChannel* channel = nullptr;
};

const Bytes getResponse{0x00, 0xC0, 0x00, 0x00};

} // namespace

TEST_F(ApduExchange, CommandsWithoutAndWithDataAreShortApdusWithoutLe) {
    card.handler = [](const Bytes&) { return bytesOf("90 00"); };
    sendCommand(*channel, 0x28, 0x01, 0x02, {}, noTimeLimit);
    sendCommand(*channel, 0x10, 0x00, 0x00, Bytes(255, 0xAB), noTimeLimit);
    ASSERT_EQ(card.sent.size(), 2u);
    EXPECT_EQ(card.sent[0], bytesOf("00 28 01 02"));
    EXPECT_EQ(card.sent[1].size(), 260u);
    EXPECT_EQ(header(card.sent[1]), bytesOf("00 10 00 00 FF"));
    EXPECT_EQ(card.capacities[0], 65535u);
}

TEST_F(ApduExchange, LongDataIsChainedInPartsOf255) {
    struct Case {
        size_t length;
        std::vector<std::string> headers;
    };
    const Case cases[] = {
        {256, {"10 DB 00 00 FF", "00 DB 00 00 01"}},
        {510, {"10 DB 00 00 FF", "00 DB 00 00 FF"}},
        {511, {"10 DB 00 00 FF", "10 DB 00 00 FF", "00 DB 00 00 01"}},
    };
    card.handler = [](const Bytes& command) { return Bytes{command[4], 0x90, 0x00}; };
    for (const Case& test : cases) {
        card.sent.clear();
        Bytes data(test.length);
        for (size_t index = 0; index < data.size(); ++index) {
            data[index] = static_cast<uint8_t>(index % 251);
        }
        Bytes response = sendCommand(*channel, 0xDB, 0x00, 0x00, data, noTimeLimit);
        ASSERT_EQ(card.sent.size(), test.headers.size()) << test.length;
        Bytes sentData;
        Bytes expectedResponse;
        for (size_t part = 0; part < card.sent.size(); ++part) {
            EXPECT_EQ(header(card.sent[part]), bytesOf(test.headers[part])) << test.length;
            sentData.insert(sentData.end(), card.sent[part].begin() + 5, card.sent[part].end());
            expectedResponse.push_back(card.sent[part][4]);
        }
        EXPECT_EQ(sentData, data);
        EXPECT_EQ(response, expectedResponse) << "the parts' answers are concatenated";
    }
}

// Secret data travels through wiped buffers; what the card sees and what the caller gets back
// must be exactly what sendCommand sends and returns.
TEST_F(ApduExchange, SecretCommandsExchangeExactlyLikePlainOnes) {
    struct Case {
        size_t length;
        std::vector<std::string> answers;
    };
    const Case cases[] = {
        {0, {"90 00"}},
        {8, {"01 02 61 02", "03 04 90 00"}},
        {255, {"63 C2"}},
        {256, {"AA 90 00", "BB 90 00"}},
        {511, {"90 00", "6A 80"}},
    };
    for (const Case& test : cases) {
        Bytes data(test.length);
        for (size_t index = 0; index < data.size(); ++index) {
            data[index] = static_cast<uint8_t>(index * 7);
        }
        const auto exchange = [&](auto send) {
            card.sent.clear();
            for (const std::string& answer : test.answers) {
                card.answer(answer);
            }
            try {
                return std::make_pair(send(), std::vector<Bytes>(card.sent));
            } catch (const DeviceException& failure) {
                return std::make_pair(Bytes{0xEE, static_cast<uint8_t>(failure.code)},
                                      std::vector<Bytes>(card.sent));
            }
        };
        const auto plain =
            exchange([&] { return sendCommand(*channel, 0x20, 0x00, 0x80, data, noTimeLimit); });
        const auto secret = exchange([&] {
            return sendSecretCommand(*channel, 0x20, 0x00, 0x80,
                                     SecretBytes(data.begin(), data.end()), noTimeLimit);
        });
        EXPECT_EQ(secret, plain) << test.length;
    }
}

TEST_F(ApduExchange, SendApduRejectsMoreThan255DataBytes) {
    DeviceException error =
        deviceFailure([&] { sendApdu(*channel, 0x00, 0x10, 0x00, 0x00, Bytes(256), noTimeLimit); });
    EXPECT_EQ(error.code, QUENLIX_KEY_ERROR_INPUT_TOO_LARGE);
    EXPECT_TRUE(card.sent.empty());
}

TEST_F(ApduExchange, ResponsePartsAnnouncedWith61AreCollected) {
    card.answer("61 10");
    card.answer(answerOf(16, 0x6105));
    card.answer(answerOf(3, 0x6100));
    card.answer(answerOf(2, 0x9000));
    Bytes response = sendApdu(*channel, 0xB1, 0x05, 0x41, 0x00, {}, noTimeLimit);
    Bytes expected = answerOf(16, 0);
    expected.resize(16);
    for (uint8_t byte : {0, 1, 2, 0, 1}) {
        expected.push_back(byte);
    }
    EXPECT_EQ(response, expected);
    ASSERT_EQ(card.sent.size(), 4u);
    for (size_t index = 1; index < 4; ++index) {
        EXPECT_EQ(card.sent[index], getResponse);
    }
    EXPECT_EQ(card.capacities, (std::vector<size_t>{65535, 65535, 65519, 65516}));
}

TEST_F(ApduExchange, TimeLimitZeroEndsAtTheFirst61) {
    card.answer("61 08");
    DeviceException error = deviceFailure([&] { sendCommand(*channel, 0x28, 0x00, 0x00, {}, 0); });
    EXPECT_EQ(error.code, QUENLIX_KEY_ERROR_TIMEOUT);
    EXPECT_EQ(error.detail, 0);
    EXPECT_EQ(card.sent.size(), 1u);
}

TEST_F(ApduExchange, ResponsesWithoutAStatusWordAreInvalid) {
    for (const char* answer : {"", "90"}) {
        card.answer(answer);
        DeviceException error =
            deviceFailure([&] { sendCommand(*channel, 0x28, 0x00, 0x00, {}, noTimeLimit); });
        EXPECT_EQ(error.code, QUENLIX_KEY_ERROR_INVALID_RESPONSE) << answer;
    }
    card.answer("61 02");
    card.answer("01");
    DeviceException error =
        deviceFailure([&] { sendCommand(*channel, 0x28, 0x00, 0x00, {}, noTimeLimit); });
    EXPECT_EQ(error.code, QUENLIX_KEY_ERROR_INVALID_RESPONSE);
}

TEST_F(ApduExchange, AnnouncingDataWithoutSendingAnyEndsTheCollection) {
    card.handler = [&](const Bytes& command) {
        return command == getResponse ? bytesOf("61 10") : answerOf(4, 0x6110);
    };
    DeviceException error =
        deviceFailure([&] { sendCommand(*channel, 0x28, 0x00, 0x00, {}, noTimeLimit); });
    EXPECT_EQ(error.code, QUENLIX_KEY_ERROR_INVALID_RESPONSE);
    EXPECT_EQ(card.sent.size(), 2u);
}

TEST_F(ApduExchange, AFullResponseBufferEndsTheCollection) {
    card.answer(answerOf(65533, 0x6101));
    card.answer("61 01");
    DeviceException error =
        deviceFailure([&] { sendCommand(*channel, 0x28, 0x00, 0x00, {}, noTimeLimit); });
    EXPECT_EQ(error.code, QUENLIX_KEY_ERROR_INVALID_RESPONSE);
    EXPECT_EQ(card.capacities.back(), 2u);

    card.answer(answerOf(65533, 0x6101));
    card.answer("90 00");
    EXPECT_EQ(sendCommand(*channel, 0x28, 0x00, 0x00, {}, noTimeLimit).size(), 65533u);
}

TEST_F(ApduExchange, FailedTransmissionIsAnIoFailureWithTheChannelResult) {
    card.transmitResult = SCARD_E_NO_SMARTCARD;
    testing::internal::CaptureStdout();
    DeviceException error =
        deviceFailure([&] { sendCommand(*channel, 0x28, 0x00, 0x00, {}, noTimeLimit); });
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(error.code, QUENLIX_KEY_ERROR_IO);
    EXPECT_EQ(error.detail, CI_PCSC_FAILED);
}

TEST_F(ApduExchange, StatusWordsOtherThan9000BecomeTheirErrors) {
    struct Row {
        uint16_t statusWord;
        QuenlixKeyError code;
    };
    const Row rows[] = {
        {0x63C0, QUENLIX_KEY_ERROR_BLOCKED},
        {0x63C1, QUENLIX_KEY_ERROR_AUTH},
        {0x63C3, QUENLIX_KEY_ERROR_AUTH},
        {0x63CF, QUENLIX_KEY_ERROR_AUTH},
        {0x63D0, QUENLIX_KEY_ERROR_IO},
        {0x6982, QUENLIX_KEY_ERROR_ILLEGAL_STATE},
        {0x6A86, QUENLIX_KEY_ERROR_ILLEGAL_STATE},
        {0x6983, QUENLIX_KEY_ERROR_BLOCKED},
        {0x6A80, QUENLIX_KEY_ERROR_AUTH},
        {0x6A82, QUENLIX_KEY_ERROR_NOT_FOUND},
        {0x6A88, QUENLIX_KEY_ERROR_NOT_FOUND},
        {0x6D00, QUENLIX_KEY_ERROR_UNEXPECTED_SMARTCARD_STATE},
        {0x9802, QUENLIX_KEY_ERROR_UNDEFINED_AUTH_CREDENTIAL},
        {0x6C10, QUENLIX_KEY_ERROR_IO},
        {0x6700, QUENLIX_KEY_ERROR_IO},
        {0x9001, QUENLIX_KEY_ERROR_IO},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(statusWordToError(row.statusWord), row.code) << std::hex << row.statusWord;
        card.answer(answerOf(1, row.statusWord));
        DeviceException error =
            deviceFailure([&] { sendCommand(*channel, 0x20, 0x00, 0x80, {}, noTimeLimit); });
        EXPECT_EQ(error.code, row.code) << std::hex << row.statusWord;
        EXPECT_EQ(error.detail, row.statusWord);
    }
    EXPECT_EQ(card.sent.size(), std::size(rows)) << "6CXX is not answered with a resend";
}
