#include "app/chart_check.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/game.h"
#include "app/startup.h"
#include "chart/bms.h"
#include "library/song_search.h"
#include "media/sound_decode.h"
#include "media/surface.h"
#include "platform/files.h"
#include "play/judge.h"
#include "play/play_loop.h"

namespace kvx {

namespace {

// One frame per scripted millisecond: automatic hits land within a third of a
// unit even at 400 BPM, so demo play judges as it would on screen.
constexpr uint32_t kFrameMs = 1;
// A play still running this long after the chart's length has hung.
constexpr uint32_t kOverrunMs = 60000;

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
  for (const std::string& file : g.chart.WavFile)
    if (!file.empty() && !ResolveWithExtensions("", SoundCacheKey(file), SoundFileExtensions()))
      missing.push_back(NameInChart(g, file));
  for (const std::string& file : g.chart.BmpFile)
    if (!file.empty() && !FindPictureFile(file)) missing.push_back(NameInChart(g, file));
  SongEntry header;
  ScanBMSHeader(path, header);
  if (!header.StageFile.empty() && !FindPictureFile(JoinPath(FolderOf(path), header.StageFile)))
    missing.push_back(header.StageFile);
  return missing;
}

// A game without a window, a sound device or a log file, on a scripted clock,
// in demo mode.
void PrepareCheckGame(Game& g, const OwnOptions& options, const std::string& program_folder) {
  g.options = options;
  g.options.headless = true;
  g.options.autoplay = true;
  g.SetProgramFolder(program_folder);
  g.log.SetPath("");
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
  const uint32_t give_up = g.NowMs() + 2000 + static_cast<uint32_t>(std::max(0, g.chart.LengthMs)) + kOverrunMs;
  g.pump.AddSource([&g, give_up](std::vector<PlatformEvent>&) {
    if (static_cast<int32_t>(g.NowMs() - give_up) > 0) g.play.QuitPlay = true;
  });
  g.app.GameState = Screen::Play;
  ResetPlayState(g);
  SeekChart(g, 0, false);
  PlayLoop(g);
  RunResultTally(g);
}

// Any file reads as a chart; one with neither a title nor a single object
// besides the bar lines (a picture, a text file) is not one.
bool LooksLikeAChart(const Game& g) {
  if (!g.chart.Title.empty()) return true;
  const int count = std::min(g.chart.ObjectCount, kMaxObjects);
  for (int i = 0; i < count; ++i)
    if (g.chart.Objects[i].Channel != kChannelBarLine) return true;
  return false;
}

std::string MinutesAndSeconds(int32_t ms) {
  ms = std::max(0, ms);
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d.%d", ms / 60000, ms / 1000 % 60, ms / 100 % 10);
  return text;
}

}  // namespace

ChartCheck CheckChart(const OwnOptions& options, const std::string& program_folder, const std::string& path) {
  ChartCheck check;
  auto game = std::make_unique<Game>();
  Game& g = *game;
  PrepareCheckGame(g, options, program_folder);
  if (!FileExists(path) || BMSLoad(g, path) < 0) {
    check.problem = "not found";
    return check;
  }
  if (!LooksLikeAChart(g)) {
    check.problem = "not a chart (no header and no objects)";
    return check;
  }
  check.loaded = true;
  check.notes = g.chart.NoteCount[0] + g.chart.NoteCount[1];
  check.length_ms = g.chart.LengthMs;
  check.missing = MissingFiles(g, path);
  PlayInDemoMode(g);
  check.reached_end = g.play.ReachedEnd;
  check.result = ResultSummaryLine(g);
  return check;
}

std::string ChartCheckLine(const std::string& path, const ChartCheck& c) {
  if (!c.loaded) return path + ": " + c.problem;
  std::string line = path + ": " + std::to_string(c.notes) + " notes, " + MinutesAndSeconds(c.length_ms) + ", ";
  if (c.missing.empty()) {
    line += "no missing files";
  } else {
    line += std::to_string(c.missing.size()) + " missing (";
    for (size_t i = 0; i < c.missing.size(); ++i) line += (i ? ", " : "") + c.missing[i];
    line += ")";
  }
  line += ", " + c.result;
  if (!c.reached_end) line += ", did not play to the end";
  return line;
}

int RunChartCheck(const OwnOptions& options, const std::string& program_folder,
                  const std::vector<std::string>& files) {
  int code = 0;
  for (const std::string& file : files) {
    const ChartCheck check = CheckChart(options, program_folder, file);
    if (!check.loaded || !check.reached_end) code = 1;
    std::printf("%s\n", ChartCheckLine(file, check).c_str());
    std::fflush(stdout);
  }
  return code;
}

}  // namespace kvx
