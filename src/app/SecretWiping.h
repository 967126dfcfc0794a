#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

// Wipes the whole buffer of a text that held a PIN or key, spare capacity included, and
// leaves it empty.
void wipeText(std::string& text);

// A check of a PIN or key option. Attach with ->check(): CLI11 then hands it a copy of the
// value, which is wiped once checked.
CLI::Validator secretCheck(std::function<std::string(const std::string&)> check);

// Wipes the raw results CLI11 keeps for every option of app and its subcommands, after the
// command that needed them has ended.
void wipeOptionResults(const CLI::App& app);
