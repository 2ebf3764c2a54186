#pragma once
// The program's command line: our own long options ("--data" ...) and the
// classic options and files ("-B-", "-W", charts, ".KPL" play lists).
#include <string>
#include <vector>

#include "app/app_state.h"

namespace kvx {

struct Game;

// Splits at spaces; double quotes group a name with spaces and are removed.
std::vector<std::string> SplitCommandLine(const std::string& text);
// Joins arguments back into one command line, quoting those with spaces.
std::string JoinCommandLine(const std::vector<std::string>& args);

// Takes the long options out of argv; the rest becomes `rest`. Unknown long
// options are reported in `error`.
OwnOptions ParseOwnOptions(const std::vector<std::string>& args, std::string* error);
std::string PortUsage();

struct CommandLineResult {
  int lists_loaded = 0;
  int charts_added = 0;
  int lists_cleared = 0;
};

CommandLineResult ParseCommandLine(Game& game, const std::string& text);

}  // namespace kvx
