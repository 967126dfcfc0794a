#include "app/SecretEntry.h"

#include "app/TerminalEcho.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Standard input replaced by a pipe holding the given bytes, for the life of the object.
class PipedStandardInput {
public:
    explicit PipedStandardInput(const std::string& bytes) : saved(::dup(STDIN_FILENO)) {
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        EXPECT_EQ(::write(ends[1], bytes.data(), bytes.size()), ssize_t(bytes.size()));
        ::close(ends[1]);
        ::dup2(ends[0], STDIN_FILENO);
        ::close(ends[0]);
    }
    ~PipedStandardInput() {
        ::dup2(saved, STDIN_FILENO);
        ::close(saved);
    }
    PipedStandardInput(const PipedStandardInput&) = delete;
    PipedStandardInput& operator=(const PipedStandardInput&) = delete;

private:
    int saved;
};

struct Entry {
    std::string value;   // as given on the command line
    std::string result;  // what the option holds afterwards
    std::string failure; // the check's message, or ""
};

void expectEntries(const std::string& input, const std::vector<Entry>& entries,
                   std::function<std::string()> competingReader = {}) {
    const PipedStandardInput stdinPipe(input);
    CLI::Validator read = readSecretOnDash(secretPrompt("PIN"), std::move(competingReader));
    for (const Entry& entry : entries) {
        std::string value = entry.value;
        EXPECT_EQ(read(value), entry.failure) << input;
        if (entry.failure.empty()) {
            EXPECT_EQ(value, entry.result) << input;
        }
    }
}

bool echoIsOn(int terminal) {
    struct termios settings {};
    EXPECT_EQ(::tcgetattr(terminal, &settings), 0);
    return (settings.c_lflag & ECHO) != 0;
}

} // namespace

TEST(SecretEntry, EachDashTakesTheNextLineOfAPipe) {
    const std::string noValue = "no value on standard input";
    expectEntries("123456\n654321\r\nlast", {{"-", "123456", ""},
                                             {"typed", "typed", ""},
                                             {"-", "654321", ""},
                                             {"-", "last", ""},
                                             {"-", "", noValue}});
    expectEntries("", {{"-", "", noValue}});
    expectEntries("\n", {{"-", "", ""}});
    expectEntries(std::string("12\0"
                              "34\n",
                              5),
                  {{"-", "", "the value on standard input holds a zero byte"}});
    expectEntries(std::string(1025, '1') + "\n",
                  {{"-", "", "the value on standard input is too long"}});
    // Refused before anything is read.
    expectEntries("123456\n",
                  {{"-", "", "standard input cannot give both this secret and --input"}},
                  [] { return std::string("--input"); });
}

TEST(SecretEntry, TheTerminalGetsItsEchoBackAlsoWhenInterrupted) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    {
        const TerminalEchoOff echoOff(terminal);
        EXPECT_FALSE(echoIsOn(terminal));
    }
    EXPECT_TRUE(echoIsOn(terminal));

    const pid_t child = ::fork();
    if (child == 0) {
        const TerminalEchoOff echoOff(terminal);
        ::raise(SIGINT);
        std::_Exit(echoIsOn(terminal) ? 3 : 4); // not reached: the signal ends the process
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
    EXPECT_TRUE(echoIsOn(terminal));
    ::close(terminal);
    ::close(master);
}

TEST(SecretEntry, NamesStandardInputByWhatItIsOpenOn) {
    const PipedStandardInput stdinPipe("");
    EXPECT_TRUE(namesStandardInput("/dev/stdin"));
    EXPECT_TRUE(namesStandardInput("/proc/self/fd/0"));
    EXPECT_FALSE(namesStandardInput("/dev/null"));
    EXPECT_FALSE(namesStandardInput("/no/such/file"));
}
