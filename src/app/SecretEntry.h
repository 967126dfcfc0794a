#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

// The last line of the help of every command with secret options.
inline constexpr const char* secretEntryHelp =
    "A secret given as - is prompted for without echo on a terminal, or else read from standard "
    "input, one line per such option in the order of this help.";

// What the program says when it asks for a secret on a terminal.
struct SecretPrompt {
    std::string prompt; // "PIN: "
    std::string repeat; // "Repeat new PIN: " for a new secret, asked twice; empty otherwise
};

// "PIN: " for the name "PIN".
SecretPrompt secretPrompt(const std::string& name);
// "New PIN: ", then "Repeat new PIN: ", for the name "PIN".
SecretPrompt newSecretPrompt(const std::string& name);

// Transform for a secret option: the value "-" is replaced by the secret, typed without echo
// after a prompt on standard error when standard input is a terminal, otherwise the next line
// of standard input (its line end removed). The option's other transforms and checks then see
// what was read, as they see a typed value. CLI11 validates options in registration order, so
// several "-" options read their lines in the order of the help. Attach with ->transform()
// after the option's other transforms, so that it runs first.
// competingReader gives the name of an option that reads standard input in this run too, or
// "": a non-terminal standard input cannot give both, and nothing is read then.
CLI::Validator readSecretOnDash(SecretPrompt prompt,
                                std::function<std::string()> competingReader = {});

// True when the path names the file standard input is open on (/dev/stdin, /dev/fd/0, or the
// very FIFO or file that standard input comes from).
bool namesStandardInput(const std::string& path);
