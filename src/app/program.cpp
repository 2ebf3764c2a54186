#include "app/program.h"

#include <cstdio>
#include <cstdlib>

#include "app/chart_check.h"
#include "app/command_line.h"
#include "app/game.h"
#include "app/startup.h"
#include "chart/chart_info.h"
#include "media/display.h"
#include "platform/files.h"

namespace kvx {

std::string ChooseProgramFolder(const std::string& data_option) {
  if (!data_option.empty()) return data_option;
  if (const char* home = std::getenv("KORVEX_HOME"); home && *home) return home;
  return ExecutableFolder();
}

int RunGame(Game& g) {
  int code = 0;
  try {
    Main(g);
  } catch (const ProgramExit& exit) {
    code = exit.code;
  }
  ReleaseDirectX(g);
  return code;
}

int RunProgram(const std::vector<std::string>& args) {
  std::string error;
  OwnOptions options = ParseOwnOptions(args, &error);
  if (!error.empty()) {
    std::fprintf(stderr, "korvex: %s\n%s", error.c_str(), PortUsage().c_str());
    return 2;
  }
  if (options.help) {
    std::printf("korvex %d.%d(%d): a key-sound rhythm game player for BMS charts\n%s", kVersionMajor,
                kVersionMinor, kVersionRevision, PortUsage().c_str());
    return 0;
  }
  Game g;
  g.options = options;
  g.chart.RandomSeed = options.seed;
  g.SetProgramFolder(ChooseProgramFolder(options.data_folder));
  if (!options.chart_info.empty()) return RunChartInfo(g, options.chart_info);
  if (!options.check.empty()) return RunChartCheck(options, g.paths.program, options.check);
  g.app.command_line = options.rest;
  return RunGame(g);
}

}  // namespace kvx
