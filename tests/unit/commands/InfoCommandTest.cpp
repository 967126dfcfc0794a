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

// The line before the help hint that says what to do, chosen by what PC/SC answered.
TEST(InfoCommand, SaysWhatToDoWhenPcscFails) {
    struct Case {
        const char* name;
        LONG establishResult;
        LONG listResult;
        int32_t exitCode;
        std::string err;
    };
    const std::string startService = "The PC/SC service is not running: start pcscd, for "
                                     "example with \"systemctl start pcscd.socket\"\n";
    const std::vector<Case> cases = {
        {"service stopped", static_cast<LONG>(SCARD_E_SERVICE_STOPPED), SCARD_S_SUCCESS, -5,
         "The communication with the device failed\n" + startService + hint},
        {"no service", static_cast<LONG>(SCARD_E_NO_SERVICE), SCARD_S_SUCCESS, -5,
         "The communication with the device failed\n" + startService + hint},
        {"other failure", static_cast<LONG>(SCARD_F_INTERNAL_ERROR), SCARD_S_SUCCESS, -5,
         "The communication with the device failed\n" + hint},
        {"no reader", SCARD_S_SUCCESS, static_cast<LONG>(SCARD_E_NO_READERS_AVAILABLE), -1,
         "Could not connect to any Quenlix Key\nThere is no smartcard reader: plug your Quenlix "
         "Key in\n" +
             hint},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedCard card;
        card.establishResult = c.establishResult;
        card.listResult = c.listResult;
        RunResult result = runInfo({});
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(result.err, c.err);
    }
}

// --serial asks each key reader's key for its serial number and takes the one that has it.
TEST(InfoCommand, SerialNumberChoosesTheReader) {
    ScriptedCard card;
    card.readers = {{"Key 00", keyAtr}, {"Key 01", keyAtr}};
    IdentityCard identity;
    card.handler = [&card, &identity](const Bytes& command) {
        identity.serial =
            card.connected.back() == "Key 01" ? bytesOf("00 00 00 07") : bytesOf("00 00 00 05");
        return identity(command);
    };
    RunResult result = runInfo({"--serial", "0007"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.substr(result.out.rfind("Serial")), "Serial Number:\t7\n");
    EXPECT_EQ(card.connected.back(), "Key 01");

    result = runInfo({"--serial", "5", "-r", "Key 01"});
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_EQ(result.err, "Could not find a Quenlix Key with the serial number 5\n" + hint);
}
