#pragma once

#include <CLI/CLI.hpp>
#include <string>

// Wipes the whole buffer of a text that held a PIN or key, spare capacity included, and
// leaves it empty.
void wipeText(std::string& text);

// Wipes the raw results CLI11 keeps for every option of app and its subcommands, after the
// command that needed them has ended.
void wipeOptionResults(const CLI::App& app);
