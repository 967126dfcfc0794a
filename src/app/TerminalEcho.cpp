#include "app/TerminalEcho.h"

#include <array>
#include <csignal>
#include <unistd.h>

namespace {

constexpr std::array<int, 4> restoringSignals = {SIGINT, SIGQUIT, SIGTERM, SIGHUP};

// What the signal handler needs; set before the handlers are installed.
volatile sig_atomic_t savedTerminal = -1;
struct termios savedSettings {};
std::array<struct sigaction, restoringSignals.size()> previousActions{};

void restoreAndDie(int signal) {
    if (savedTerminal >= 0) {
        ::tcsetattr(savedTerminal, TCSANOW, &savedSettings);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Signals that were ignored (a run under nohup) stay ignored.
void installRestoringHandlers() {
    struct sigaction action {};
    action.sa_handler = restoreAndDie;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < restoringSignals.size(); ++i) {
        ::sigaction(restoringSignals[i], &action, &previousActions[i]);
        if (previousActions[i].sa_handler == SIG_IGN) {
            ::sigaction(restoringSignals[i], &previousActions[i], nullptr);
        }
    }
}

} // namespace

TerminalEchoOff::TerminalEchoOff(int terminalDescriptor) : terminal(terminalDescriptor) {
    struct termios settings {};
    if (::tcgetattr(terminal, &settings) != 0) {
        return;
    }
    savedSettings = settings;
    savedTerminal = terminal;
    installRestoringHandlers();
    // The line end still shows, so that the next output starts on a line of its own.
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    settings.c_lflag |= ECHONL;
    changed = ::tcsetattr(terminal, TCSAFLUSH, &settings) == 0;
}

TerminalEchoOff::~TerminalEchoOff() {
    if (savedTerminal < 0) {
        return;
    }
    if (changed) {
        ::tcsetattr(terminal, TCSAFLUSH, &savedSettings);
    }
    savedTerminal = -1;
    for (size_t i = 0; i < restoringSignals.size(); ++i) {
        ::sigaction(restoringSignals[i], &previousActions[i], nullptr);
    }
}
