#include "commands/InfoCommand.h"

#include "app/Application.h"
#include "device/IdentityCard.h"
#include "device/ScriptedCard.h"
#include "device/transport/QuenlixKeyError.h"
#include "support/CommandLineRun.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

const Bytes keyAtr = bytesOf("3B 97 11 81 21 75 51 75 65 6E 6C 69 78 01");
const Bytes ordinaryAtr = bytesOf("3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 01 00 00 00 00 6A");

RunResult runInfo(std::vector<std::string> arguments) {
    return runCommand<InfoCommand>("info", std::move(arguments));
}

} // namespace

TEST(InfoCommand, PrintsTheFourLinesOfTheFirstKey) {
    ScriptedCard card;
    card.readers = {{"Ordinary 00", ordinaryAtr}, {"Key 01", keyAtr}};
    card.handler = IdentityCard();
    RunResult result = runInfo({});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "Name:\t\tQuenlix Key 3C\n"
                          "Version:\tv1.0.3\n"
                          "Date:\t\t2023-05-04\n"
                          "Serial Number:\t1234567\n");
    EXPECT_EQ(result.err, "");
    // Two probes, then seven sessions on the key: two per text and one for the serial.
    ASSERT_EQ(card.connected.size(), 9u);
    EXPECT_EQ(std::count(card.connected.begin(), card.connected.end(), "Key 01"), 8);
    EXPECT_EQ(card.disconnects, 9);
}

TEST(InfoCommand, AKeyWithoutSerialNumberShowsThreeLines) {
    ScriptedCard card;
    IdentityCard identity;
    identity.hasKeyInfoApplet = false;
    identity.name = "";
    card.handler = identity;
    RunResult result = runInfo({"-r", "Named reader"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "Name:\t\t\nVersion:\tv1.0.3\nDate:\t\t2023-05-04\n");
    EXPECT_EQ(card.connected.front(), "Named reader");
}

TEST(InfoCommand, WithoutAKeyItReportsItself) {
    ScriptedCard card;
    card.readers = {{"Ordinary 00", ordinaryAtr}};
    RunResult result = runInfo({});
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Could not connect to any Quenlix Key\n" + hint);
}

TEST(InfoCommand, AFailingReadKeepsTheEarlierLines) {
    ScriptedCard card;
    IdentityCard identity;
    card.handler = [&](const Bytes& command) {
        return command == bytesOf("B1 05 54 00") ? bytesOf("69 82") : identity(command);
    };
    RunResult result = runInfo({"--reader", "Key"});
    EXPECT_EQ(result.exitCode, QUENLIX_KEY_ERROR_ILLEGAL_STATE);
    EXPECT_EQ(result.out, "Name:\t\tQuenlix Key 3C\nVersion:\tv1.0.3\n");
    EXPECT_EQ(result.err,
              "The device is not in the required state for the requested operation\n" + hint);

    identity.serial = bytesOf("01 02 03 04 05 06 07 08 09");
    card.handler = identity;
    result = runInfo({"--reader", "Key"});
    EXPECT_EQ(result.exitCode, QUENLIX_KEY_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(result.err, "An invalid argument was passed to the function\n" + hint);
}
