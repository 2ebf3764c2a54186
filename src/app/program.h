#pragma once
// The program's entry: long options, the data folder, Main, and the way out.
#include <string>
#include <vector>

namespace kvx {

struct Game;

// "korvex MAJOR.MINOR.REVISION" and a line end, as --version prints it.
std::string VersionLine();
int RunProgram(const std::vector<std::string>& args);
// Runs Main on a prepared game and returns the exit code.
int RunGame(Game& game);

}  // namespace kvx
