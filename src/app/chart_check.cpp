#include "app/chart_check.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/game.h"
#include "app/startup.h"
#include "chart/chart_read.h"
#include "library/song_search.h"
#include "media/sound_decode.h"
#include "media/surface.h"
#include "platform/files.h"
#include "play/chart_load.h"
#include "play/judge.h"
#include "play/play_loop.h"

namespace kvx {

namespace {

// One frame per scripted millisecond: automatic hits land within a third of a
// unit even at 400 BPM, so demo play judges as it would on screen.
constexpr uint32_t kFrameMs = 1;
// A play still running this long after the chart's length has hung.
constexpr int64_t kOverrunMs = 60000;
// Missing files named on a chart's line without --verbose.
constexpr size_t kMissingShown = 3;

// The name as the chart gives it: the path below the chart's folder.
std::string NameInChart(const Game& g, const std::string& path) {
  const std::string& folder = g.chart.ChartFolder;
  if (!folder.empty() && path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0)
    return path.substr(folder.size());
  return path;
}

// The sounds and pictures the chart names that cannot be found, looked up the
// way the loaders do (letter case, "\" separators, other extensions).
std::vector<std::string> MissingFiles(Game& g, const std::string& path) {
  std::vector<std::string> missing;
  // An empty definition (the chart's folder alone) names no file.
  auto named = [&g](const std::string& file) { return !file.empty() && file != g.chart.ChartFolder; };
  for (const std::string& file : g.chart.WavFile)
    if (named(file) && !ResolveWithExtensions("", SoundCacheKey(file), SoundFileExtensions()))
      missing.push_back(NameInChart(g, file));
  for (const std::string& file : g.chart.BmpFile)
    if (named(file) && !FindPictureFile(file)) missing.push_back(NameInChart(g, file));
  SongEntry header;
  ScanBMSHeader(path, header, {g.settings.ModernCharts, g.chart.RandomSeed.value_or(0)});
  if (!header.StageFile.empty() && !FindPictureFile(JoinPath(FolderOf(path), header.StageFile)))
    missing.push_back(header.StageFile);
  return missing;
}

// A game without a window, a sound device or a log file, on a scripted clock,
// in demo mode. It reads charts as the play does: by the rules of the
// settings file (or --classic / --modern) and with the --seed of #RANDOM.
void PrepareCheckGame(Game& g, const OwnOptions& options, const std::string& program_folder) {
  g.options = options;
  g.options.headless = true;
  g.options.autoplay = true;
  g.SetProgramFolder(program_folder);
  g.log.SetPath("");
  g.settings.ModernCharts = ChartRulesInForce(options, program_folder);
  g.chart.RandomSeed = options.seed;
  g.UseClock(std::make_unique<ScriptedClock>(1000, kFrameMs));
  g.app.RankLetters = MakeRankLetters();
  g.app.LevelTable = MakeLevelTable();
  g.settings.Sleep = 0;
  g.settings.DEMOMode = true;
  g.settings.UserPlay = true;
  // Nothing is shown: the notes, pictures and texts are not drawn (missed
  // notes and candidates are still found), which makes the frames cheap.
  g.settings.ShowBGA = false;
  g.settings.ShowObj = false;
  g.settings.ShowGauge = false;
  g.settings.DRAWLIMIT = 3;
  g.chart.NoMediaLoads = true;
}

// The play as StartPlay runs it, without the result screen and the score
// record (a check writes nothing).
void PlayInDemoMode(Game& g) {
  // In 64 bits: a length near 2^31 ms must not wrap the deadline. (The
  // elapsed time itself is a difference of 32-bit clock readings, good for
  // 49 days, beyond any play the loading lets through.)
  const uint32_t start = g.NowMs();
  const int64_t give_up = 2000 + int64_t{std::max(0, g.chart.LengthMs)} + kOverrunMs;
  g.pump.AddSource([&g, start, give_up](std::vector<PlatformEvent>&) {
    if (int64_t{g.NowMs() - start} > give_up) g.play.QuitPlay = true;
  });
  g.app.GameState = Screen::Play;
  ResetPlayState(g);
  SeekChart(g, 0, false);
  PlayLoop(g);
  RunResultTally(g);
}

std::string MinutesAndSeconds(int32_t ms) {
  ms = std::max(0, ms);
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d.%d", ms / 60000, ms / 1000 % 60, ms / 100 % 10);
  return text;
}

}  // namespace

bool ChartRulesInForce(const OwnOptions& options, const std::string& program_folder) {
  if (options.modern_charts) return *options.modern_charts;
  Game g;
  g.SetProgramFolder(program_folder);
  g.log.SetPath("");
  LoadSettings(g);
  return g.settings.ModernCharts;
}

int32_t ScoredNotes(const ChartState& c) {
  // A double-play chart's slot 0 already holds both sides.
  return c.Player == 3 ? c.NoteCount[0] : c.NoteCount[0] + c.NoteCount[1];
}

ChartCheck CheckChart(const OwnOptions& options, const std::string& program_folder, const std::string& path) {
  ChartCheck check;
  auto game = std::make_unique<Game>();
  Game& g = *game;
  PrepareCheckGame(g, options, program_folder);
  check.modern = g.settings.ModernCharts;
  check.verbose = options.verbose;
  if (!FileExists(path) || BMSLoad(g, path) < 0) {
    check.problem = kChartNotFound;
    return check;
  }
  // The demo play would not end within the limit the modern rules put on
  // a play (a classic chart is played all the same, but not checked).
  ChartReadHooks quiet;
  if (!g.chart.Refused.empty() || RefuseOverlongChart(g.chart, quiet)) {
    check.problem = g.chart.Refused;
    return check;
  }
  check.loaded = true;
  check.notes = ScoredNotes(g.chart);
  check.length_ms = g.chart.LengthMs;
  check.missing = MissingFiles(g, path);
  PlayInDemoMode(g);
  check.judged = JudgedNotes(g);
  check.reached_end = g.play.ReachedEnd;
  check.result = ResultSummaryLine(g);
  return check;
}

std::string ChartCheckLine(const std::string& path, const ChartCheck& c) {
  if (!c.loaded) return path + ": " + c.problem;
  std::string line = path + ": " + (c.modern ? "modern" : "classic") + " rules, " + std::to_string(c.notes) +
                     " notes";
  if (c.judged != c.notes) line += " (" + std::to_string(c.judged) + " judged)";
  line += ", length " + MinutesAndSeconds(c.length_ms) + " (" + std::to_string(c.length_ms) + " ms), ";
  if (c.missing.empty()) {
    line += "no missing files";
  } else {
    const size_t shown = c.verbose ? c.missing.size() : std::min(c.missing.size(), kMissingShown);
    line += std::to_string(c.missing.size()) + " missing (";
    for (size_t i = 0; i < shown; ++i) line += (i ? ", " : "") + c.missing[i];
    if (shown < c.missing.size()) line += ", ... " + std::to_string(c.missing.size() - shown) + " more: --verbose";
    line += ")";
  }
  line += ", " + c.result;
  if (!c.reached_end) line += ", did not play to the end";
  return line;
}

int RunChartCheck(const OwnOptions& options, const std::string& program_folder,
                  const std::vector<std::string>& files) {
  int code = 0;
  OwnOptions resolved = options;
  resolved.modern_charts = ChartRulesInForce(options, program_folder);
  for (const std::string& file : files) {
    const ChartCheck check = CheckChart(resolved, program_folder, file);
    if (!check.loaded || !check.reached_end) code = 1;
    std::printf("%s\n", ChartCheckLine(file, check).c_str());
    std::fflush(stdout);
  }
  return code;
}

}  // namespace kvx
