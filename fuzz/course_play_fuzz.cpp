// A whole course load: the input holds the charts of a course, separated by
// NUL bytes (a chart file is read up to its first NUL anyway). They are
// written to a folder of the target's own, chained into one timeline as a
// course play loads them, and played through in frames without drawing.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz_game.h"
#include "platform/files.h"
#include "play/chart_load.h"
#include "play/judge.h"
#include "play/play_loop.h"

using namespace kvx;

namespace {

constexpr size_t kMaxSongs = 8;
std::string folder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  folder = fuzz::MakeScratchFolder("/tmp/kvx-fuzz-course-");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes = fuzz::Bytes(data, size);
  const uint32_t choice = fuzz::Choice(bytes);
  auto game = fuzz::MakeGame();
  Game& g = *game;
  auto owned = std::make_unique<ScriptedClock>(100000, 1);
  ScriptedClock& clock = *owned;
  g.UseClock(std::move(owned));
  g.settings.ModernCharts = choice & 1;
  g.settings.DEMOMode = true;

  ChartState& c = g.chart;
  c.CourseSongs.clear();
  for (size_t song = 0; song < kMaxSongs && !bytes.empty(); ++song) {
    const size_t end = std::min(bytes.find('\0'), bytes.size());
    SongEntry entry;
    entry.FilePath = folder + "/song" + std::to_string(song) + ".bms";
    WriteFileBytes(entry.FilePath, bytes.substr(0, end));
    c.CourseSongs.push_back(entry);
    bytes.remove_prefix(std::min(end + 1, bytes.size()));
  }
  c.CourseSongCount = static_cast<uint8_t>(c.CourseSongs.size());
  c.CourseSongs.emplace_back();
  BMSLoadCourse(g);

  ResetPlayState(g);
  g.play.Playing = true;
  c.BackgroundPreview = true;  // no drawing
  SeekChart(g, 0, false);
  const uint32_t step = std::clamp<uint32_t>(static_cast<uint32_t>(std::max(c.LengthMs, 0)) / 200 + 1, 16, 600000);
  for (int frame = 0; frame < 200 && g.play.Playing; ++frame) {
    clock.Advance(step);
    UpdateFrame(g);
  }
  return 0;
}
