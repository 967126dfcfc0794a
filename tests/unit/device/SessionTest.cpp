#include "device/session/Session.h"

#include "DeviceFailure.h"
#include "ScriptedCard.h"
#include "device/session/AppletIds.h"
#include "device/session/AppletSelection.h"
#include "device/session/RunInSession.h"
#include "device/session/SizeProtocol.h"

#include <gtest/gtest.h>

namespace {

const Bytes testAid{0x11, 0x22, 0x33, 0x44, 0x77, 0x01};

class TestSession : public Session {
public:
    explicit TestSession(const std::string& readerName)
        : Session(readerName), selectResponse(selectApplet(channel(), testAid, noTimeLimit)) {}

    Bytes selectResponse;
};

Bytes selectOf(const Bytes& aid) {
    Bytes apdu = bytesOf("00 A4 04 00");
    apdu.push_back(static_cast<uint8_t>(aid.size()));
    for (uint8_t byte : aid) {
        apdu.push_back(byte);
    }
    return apdu;
}

} // namespace

TEST(SelectApplet, SelectsTheCardManagerOnceWhenTheCardAnswers6D00) {
    ScriptedCard card;
    card.answer("6D 00");
    card.answer("AA 90 00");
    card.answer("01 04 00 90 00");
    Bytes selected;
    EXPECT_EQ(runInSession<TestSession>(
                  "Reader", [&](TestSession& session) { selected = session.selectResponse; }),
              0);
    EXPECT_EQ(selected, bytesOf("01 04 00"));
    EXPECT_EQ(card.sent,
              (std::vector<Bytes>{selectOf(testAid), selectOf(cardManagerAid), selectOf(testAid)}));
    EXPECT_EQ(card.disconnects, 1);
}

TEST(SelectApplet, ASecond6D00OrAnyOtherFailureEndsTheSession) {
    ScriptedCard card;
    card.answer("6D 00");
    card.answer("90 00");
    card.answer("6D 00");
    bool ran = false;
    EXPECT_EQ(runInSession<TestSession>("Reader", [&](TestSession&) { ran = true; }),
              QUENLIX_KEY_ERROR_UNEXPECTED_SMARTCARD_STATE);
    EXPECT_FALSE(ran);
    EXPECT_EQ(card.sent.size(), 3u);
    EXPECT_EQ(card.disconnects, 1);

    card.answer("6A 82");
    EXPECT_EQ(runInSession<TestSession>("Reader", [](TestSession&) {}),
              QUENLIX_KEY_ERROR_NOT_FOUND);
    EXPECT_EQ(card.sent.size(), 4u) << "no recovery for other status words";
    EXPECT_EQ(card.disconnects, 2);
}

TEST(RunInSession, TurnsFailuresIntoCodesAndAlwaysDisconnects) {
    ScriptedCard card;
    card.handler = [](const Bytes&) { return bytesOf("90 00"); };
    EXPECT_EQ(runInSession<TestSession>(nullptr, [](TestSession&) {}),
              QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    EXPECT_TRUE(card.connected.empty());

    EXPECT_EQ(runInSession<TestSession>(
                  "Reader", [](TestSession&) { throw DeviceException(QUENLIX_KEY_ERROR_AUTH, 0); }),
              QUENLIX_KEY_ERROR_AUTH);
    EXPECT_EQ(runInSession<TestSession>(
                  "Reader", [](TestSession&) { throw std::runtime_error("Invalid data"); }),
              QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(runInSession<TestSession>(
                  "Reader",
                  [](TestSession& session) { sendCommand(session.channel(), 0x28, 0, 0, {}, 0); }),
              0);
    EXPECT_EQ(card.disconnects, 3);
    EXPECT_EQ(card.contextsOpen, 0);
}

TEST(OpenChannel, MapsConnectFailuresAfterTheTimeLimit) {
    ScriptedCard card;
    testing::internal::CaptureStdout();
    card.connectResult = SCARD_E_SHARING_VIOLATION;
    DeviceException busy = deviceFailure([] { openChannel("Reader", 0); });
    EXPECT_EQ(busy.code, QUENLIX_KEY_ERROR_ALREADY_IN_EXCLUSIVE_USE);
    EXPECT_EQ(busy.detail, CI_SHARING_VIOLATION);
    card.connectResult = SCARD_E_UNKNOWN_READER;
    DeviceException missing = deviceFailure([] { openChannel("Reader", 0); });
    EXPECT_EQ(missing.code, QUENLIX_KEY_ERROR_IO);
    EXPECT_EQ(missing.detail, CI_CONNECT_FAILED);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(card.connected.size(), 2u) << "a time limit below one step allows one attempt";
}

TEST(OpenChannel, RetriesEvery100MillisecondsUntilTheReaderIsFree) {
    ScriptedCard card;
    card.connectFailures = {SCARD_E_SHARING_VIOLATION, SCARD_E_NO_SMARTCARD};
    testing::internal::CaptureStdout();
    ChannelHandle channel = openChannel("Reader", 1000);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Failed SCardConnect: -2146435061\nFailed SCardConnect: -2146435060\n");
    EXPECT_NE(channel, nullptr);
    EXPECT_EQ(card.connected.size(), 3u);
    channel.reset();
    EXPECT_EQ(card.disconnects, 1);
}

TEST(SizeProtocol, ReportsLengthCopiesOrRefuses) {
    const Bytes result = bytesOf("31 2E 30 2E 33");
    char buffer[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};

    size_t length = 3;
    DeviceException error = deviceFailure([&] { copyOut(result, buffer, &length); });
    EXPECT_EQ(error.code, QUENLIX_KEY_ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(buffer[0], 'x');

    length = 5;
    copyOut(result, buffer, &length);
    EXPECT_EQ(length, 5u);
    EXPECT_EQ(std::string(buffer, 6), "1.0.3x") << "no terminator is added";

    uint64_t wideLength = 0;
    copyOut(result, static_cast<uint8_t*>(nullptr), &wideLength);
    EXPECT_EQ(wideLength, 5u);
}
