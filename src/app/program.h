#pragma once
// The program's entry: long options, the program folder, Main, and the way out.
#include <string>
#include <vector>

namespace kvx {

struct Game;

// Finds the program folder: --data, then KORVEX_HOME, then the executable's folder.
std::string ChooseProgramFolder(const std::string& data_option);
int RunProgram(const std::vector<std::string>& args);
// Runs Main on a prepared game and returns the exit code.
int RunGame(Game& game);

}  // namespace kvx
