#pragma once

#include <termios.h>

// Turns the terminal's echo off while a secret is typed and restores it when it goes out of
// scope, and also when the program is interrupted meanwhile (Ctrl-C, a hang-up, a kill): the
// signal restores the terminal, then ends the program as it would have without this.
class TerminalEchoOff {
public:
    explicit TerminalEchoOff(int terminal);
    ~TerminalEchoOff();
    TerminalEchoOff(const TerminalEchoOff&) = delete;
    TerminalEchoOff& operator=(const TerminalEchoOff&) = delete;

private:
    int terminal;
    bool changed = false;
};
