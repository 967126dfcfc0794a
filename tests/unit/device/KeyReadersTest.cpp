#include "device/session/KeyReaders.h"

#include "ScriptedCard.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

const Bytes atrA = bytesOf("3B 87 80 01 51 75 65 6E 6C 69 78 54");
const Bytes atrB = bytesOf("3B 97 11 81 21 75 51 75 65 6E 6C 69 78 01");
const Bytes ordinaryAtr = bytesOf("3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 01 00 00 00 00 6A");

struct ReaderListRelease {
    void operator()(ReaderList* list) const { key_freeReaderList(list); }
};

} // namespace

TEST(KeyAtr, OnlyTheTwoKeyAtrsExactlyAreKeys) {
    EXPECT_TRUE(isKeyAtr(atrA));
    EXPECT_TRUE(isKeyAtr(atrB));
    Bytes wrongCheck = atrA;
    wrongCheck.back() ^= 0x01;
    EXPECT_FALSE(isKeyAtr(wrongCheck));
    Bytes longer = atrB;
    longer.push_back(0x00);
    EXPECT_FALSE(isKeyAtr(longer));
    EXPECT_FALSE(isKeyAtr(Bytes(atrA.begin(), atrA.end() - 1)));
    EXPECT_FALSE(isKeyAtr(ordinaryAtr));
    EXPECT_FALSE(isKeyAtr({}));
}

TEST(KeyReaders, KeepsReadersWithAKeyInPcscOrderAndClosesEveryProbe) {
    ScriptedCard card;
    card.readers = {{"Ordinary 00", ordinaryAtr},
                    {"Key A 01", atrA},
                    {"Empty 02", {}},
                    {"Busy 03", atrB},
                    {"Key B 04", atrB}};
    card.connectResults["Busy 03"] = SCARD_E_SHARING_VIOLATION;
    testing::internal::CaptureStdout();
    std::vector<std::string> keys = listKeyReaders();
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(keys, (std::vector<std::string>{"Key A 01", "Key B 04"}));
    EXPECT_EQ(printed, "Failed SCardStatus: -2146435060\nFailed SCardConnect: -2146435061\n");
    EXPECT_EQ(card.connected.size(), 5u) << "one connect per reader, no retry";
    EXPECT_EQ(card.disconnects, 4);
    EXPECT_EQ(card.contextsOpen, 0);
    EXPECT_TRUE(card.sent.empty());
}

TEST(KeyReaders, ListEntryPointsFollowTheListContract) {
    ScriptedCard card;
    card.readers = {{"Ordinary 00", ordinaryAtr}, {"Key 01", atrB}};
    EXPECT_EQ(key_listReaders(nullptr), QUENLIX_KEY_ERROR_INVALID_ARGUMENT);

    ReaderList* listed = nullptr;
    ASSERT_EQ(key_listReaders(&listed), 0);
    std::unique_ptr<ReaderList, ReaderListRelease> list(listed);
    ASSERT_EQ(key_readerCount(list.get()), 1u);
    EXPECT_STREQ(key_readerName(list.get(), 0), "Key 01");
    EXPECT_EQ(key_readerName(list.get(), 1), nullptr);
    EXPECT_EQ(key_readerName(nullptr, 0), nullptr);
    EXPECT_EQ(key_readerCount(nullptr), 0u);
    key_freeReaderList(nullptr);
}

TEST(KeyReaders, NoReadersIsAnEmptyListAndAListingFailureIsIo) {
    ScriptedCard card;
    ReaderList* listed = nullptr;
    ASSERT_EQ(key_listReaders(&listed), 0);
    std::unique_ptr<ReaderList, ReaderListRelease> list(listed);
    EXPECT_EQ(key_readerCount(list.get()), 0u);

    card.establishResult = SCARD_E_NO_SERVICE;
    ReaderList* untouched = list.get();
    testing::internal::CaptureStdout();
    EXPECT_EQ(key_listReaders(&untouched), QUENLIX_KEY_ERROR_IO);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(untouched, list.get());
}

TEST(KeyReaders, ANameLeftUnterminatedByPcscIsReadWithinTheList) {
    ScriptedCard card;
    card.readers = {{"Reader", atrB}};
    // The last name without its zero, and without the zero that ends the list.
    for (const std::string& raw : {std::string("Reader", 6), std::string("Reader\0", 7)}) {
        card.rawReaderList = raw;
        EXPECT_EQ(listKeyReaders(), std::vector<std::string>{"Reader"}) << raw.size();
    }
}
