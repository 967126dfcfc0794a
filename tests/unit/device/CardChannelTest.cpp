#include "device/transport/CardChannel.h"

#include "ScriptedCard.h"
#include "device/transport/ReaderListing.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct FreeText {
    void operator()(char* text) const { std::free(text); }
};

std::string connectPrinting(const char* reader, ChannelResult expected) {
    CardChannel* channel = nullptr;
    testing::internal::CaptureStdout();
    EXPECT_EQ(ci_connect(reader, &channel), expected);
    return testing::internal::GetCapturedStdout();
}

// Opens and closes once; would block if an earlier failure had kept the mutex.
void expectChannelFree() {
    CardChannel* channel = nullptr;
    ASSERT_EQ(ci_connect("Reader", &channel), CI_OK);
    EXPECT_EQ(ci_disconnect(channel), CI_OK);
}

} // namespace

TEST(CardChannel, ConnectCutsTheReaderNameAtItsLastSlash) {
    ScriptedCard card;
    for (const char* reader : {"Virtual PCD 00 00/1/usb", "Plain reader", "Trailing/"}) {
        CardChannel* channel = nullptr;
        ASSERT_EQ(ci_connect(reader, &channel), CI_OK);
        ci_disconnect(channel);
    }
    EXPECT_EQ(card.connected,
              (std::vector<std::string>{"Virtual PCD 00 00/1", "Plain reader", "Trailing"}));
}

TEST(CardChannel, SharingViolationIsReportedAndKeepsItsIdentity) {
    ScriptedCard card;
    card.connectResult = SCARD_E_SHARING_VIOLATION;
    EXPECT_EQ(connectPrinting("Reader", CI_SHARING_VIOLATION),
              "Failed SCardConnect: -2146435061\n");
    EXPECT_EQ(card.contextsOpen, 0);
    card.connectResult = SCARD_S_SUCCESS;
    expectChannelFree();
}

TEST(CardChannel, FailedConnectStepsReleaseEverything) {
    ScriptedCard card;
    card.connectResult = SCARD_E_UNKNOWN_READER;
    EXPECT_EQ(connectPrinting("Reader", CI_CONNECT_FAILED), "Failed SCardConnect: -2146435063\n");

    card.connectResult = SCARD_S_SUCCESS;
    card.beginResult = SCARD_E_SHARING_VIOLATION;
    EXPECT_EQ(connectPrinting("Reader", CI_SHARING_VIOLATION),
              "Failed SCardBeginTransaction: -2146435061\n");
    card.beginResult = SCARD_E_NO_SMARTCARD;
    EXPECT_EQ(connectPrinting("Reader", CI_CONNECT_FAILED),
              "Failed SCardBeginTransaction: -2146435060\n");
    EXPECT_EQ(card.disconnects, 2);

    card.beginResult = SCARD_S_SUCCESS;
    card.establishResult = SCARD_E_NO_SERVICE;
    EXPECT_EQ(connectPrinting("Reader", CI_CONNECT_FAILED),
              "Failed SCardEstablishContext: -2146435043\n");
    EXPECT_EQ(card.contextsOpen, 0);

    card.establishResult = SCARD_S_SUCCESS;
    expectChannelFree();
}

TEST(CardChannel, DisconnectRunsEveryStepAndFreesTheMutexDespiteFailures) {
    ScriptedCard card;
    CardChannel* channel = nullptr;
    ASSERT_EQ(ci_connect("Reader", &channel), CI_OK);
    card.endResult = SCARD_E_NO_SMARTCARD;
    card.disconnectResult = SCARD_E_NO_SMARTCARD;
    card.releaseResult = SCARD_E_INVALID_HANDLE;
    testing::internal::CaptureStdout();
    EXPECT_EQ(ci_disconnect(channel), CI_OK);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed SCardEndTransaction: -2146435060\n"
                                                      "Failed SCardDisconnect: -2146435060\n"
                                                      "Failed SCardReleaseContext: -2146435069\n");
    card.endResult = card.disconnectResult = card.releaseResult = SCARD_S_SUCCESS;
    expectChannelFree();
}

TEST(CardChannel, NullArgumentsAndClosedChannelsAreRejected) {
    ScriptedCard card;
    CardChannel* channel = nullptr;
    EXPECT_EQ(ci_connect(nullptr, &channel), CI_INVALID_ARGUMENT);
    EXPECT_EQ(ci_connect("Reader", nullptr), CI_INVALID_ARGUMENT);
    EXPECT_EQ(ci_disconnect(nullptr), CI_INVALID_ARGUMENT);
    EXPECT_EQ(ci_listReaders(nullptr), CI_INVALID_ARGUMENT);
    ASSERT_EQ(ci_connect("Reader", &channel), CI_OK);
    ci_disconnect(channel);
    EXPECT_EQ(ci_disconnect(channel), CI_INVALID_ARGUMENT);
    EXPECT_TRUE(card.connected.size() == 1);
    expectChannelFree();
}

TEST(CardChannel, TransmitChecksTheCommandLengthBeforeReachingPcsc) {
    ScriptedCard card;
    card.handler = [](const Bytes&) { return bytesOf("90 00"); };
    CardChannel* channel = nullptr;
    ASSERT_EQ(ci_connect("Reader", &channel), CI_OK);
    Bytes command(513, 0x00);
    Bytes response(16);
    size_t length = response.size();
    EXPECT_EQ(ci_transmit(channel, command.data(), 513, response.data(), &length),
              CI_INVALID_ARGUMENT);
    EXPECT_EQ(ci_transmit(channel, command.data(), 0, response.data(), &length),
              CI_INVALID_ARGUMENT);
    EXPECT_EQ(ci_transmit(channel, command.data(), 4, nullptr, &length), CI_INVALID_ARGUMENT);
    EXPECT_EQ(ci_transmit(channel, command.data(), 4, response.data(), nullptr),
              CI_INVALID_ARGUMENT);
    EXPECT_TRUE(card.sent.empty());

    EXPECT_EQ(ci_transmit(channel, command.data(), 512, response.data(), &length), CI_OK);
    EXPECT_EQ(length, 2u);
    EXPECT_EQ(card.sent.at(0).size(), 512u);
    EXPECT_EQ(card.capacities.at(0), 16u);
    EXPECT_EQ(card.sendPcis.at(0), SCARD_PCI_T1);
    ci_disconnect(channel);
}

TEST(CardChannel, TransmitUsesTheT0StructureUnlessT1IsActive) {
    ScriptedCard card;
    card.activeProtocol = SCARD_PROTOCOL_T0;
    card.handler = [](const Bytes&) { return bytesOf("90 00"); };
    CardChannel* channel = nullptr;
    ASSERT_EQ(ci_connect("Reader", &channel), CI_OK);
    Bytes command{0x00, 0xA4, 0x04, 0x00};
    Bytes response(2);
    size_t length = response.size();
    EXPECT_EQ(ci_transmit(channel, command.data(), command.size(), response.data(), &length),
              CI_OK);
    EXPECT_EQ(card.sendPcis.at(0), SCARD_PCI_T0);

    card.transmitResult = SCARD_E_NOT_TRANSACTED;
    testing::internal::CaptureStdout();
    EXPECT_EQ(ci_transmit(channel, command.data(), command.size(), response.data(), &length),
              CI_PCSC_FAILED);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed SCardTransmit: -2146435050\n");
    ci_disconnect(channel);
}

TEST(CardChannel, AtrLengthFirstThenTheBytes) {
    ScriptedCard card;
    CardChannel* channel = nullptr;
    ASSERT_EQ(ci_connect("Reader", &channel), CI_OK);
    size_t length = 0;
    EXPECT_EQ(ci_getAtr(channel, nullptr, &length), CI_OK);
    EXPECT_EQ(length, card.atr.size());
    Bytes atr(length);
    EXPECT_EQ(ci_getAtr(channel, atr.data(), &length), CI_OK);
    EXPECT_EQ(atr, card.atr);
    EXPECT_EQ(ci_getAtr(channel, atr.data(), nullptr), CI_INVALID_ARGUMENT);

    length = 3;
    testing::internal::CaptureStdout();
    EXPECT_EQ(ci_getAtr(channel, atr.data(), &length), CI_PCSC_FAILED);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed SCardStatus: -2146435064\n");
    ci_disconnect(channel);
}

TEST(CardChannel, ListReadersGivesAMultiStringOrNullWhenThereAreNone) {
    ScriptedCard card;
    char* readers = nullptr;
    testing::internal::CaptureStdout();
    EXPECT_EQ(ci_listReaders(&readers), CI_OK);
    EXPECT_EQ(readers, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    card.readers = {{"First", {}}, {"Second", {}}};
    ASSERT_EQ(ci_listReaders(&readers), CI_OK);
    std::unique_ptr<char, FreeText> owned(readers);
    EXPECT_EQ(std::string(readers, 15), std::string("First\0Second\0\0\0", 15));
    EXPECT_EQ(card.contextsOpen, 0);

    card.listResult = SCARD_E_NO_SERVICE;
    testing::internal::CaptureStdout();
    EXPECT_EQ(ci_listReaders(&readers), CI_PCSC_FAILED);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed SCardListReaders: -2146435043\n");
    card.establishResult = SCARD_E_NO_SERVICE;
    testing::internal::CaptureStdout();
    EXPECT_EQ(ci_listReaders(&readers), CI_PCSC_FAILED);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Failed SCardEstablishContext in ci_listReaders: -2146435043\n");
}
