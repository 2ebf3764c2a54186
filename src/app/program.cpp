#include "app/program.h"

#include <cstdio>
#include <string>

#include "app/chart_check.h"
#include "app/command_line.h"
#include "app/data_folder.h"
#include "app/display_game.h"
#include "app/game.h"
#include "app/startup.h"
#include "app/chart_info.h"
#include "media/display.h"
#include "platform/files.h"

namespace kvx {

std::string VersionLine() {
  return "korvex " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
         std::to_string(kVersionRevision) + "\n";
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
  if (options.version) {
    std::fputs(VersionLine().c_str(), stdout);
    return 0;
  }
  if (options.help) {
    std::printf("korvex %d.%d(%d): a key-sound rhythm game player for BMS charts\n%s", kVersionMajor,
                kVersionMinor, kVersionRevision, PortUsage().c_str());
    return 0;
  }
  Game g;
  g.options = options;
  g.chart.RandomSeed = options.seed;
  UseFolders(g, ChooseFolders(ProcessFolderSources(options.data_folder)));
  if (!options.chart_info.empty()) return RunChartInfo(g, options.chart_info);
  if (!options.check.empty()) return RunChartCheck(options, g.paths.program, options.check);
  g.app.command_line = options.rest;
  return RunGame(g);
}

}  // namespace kvx
