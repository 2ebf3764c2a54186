// The chart reader, the preparation of the timeline and the chart seek, fed
// the bytes of a chart file.
#include <algorithm>

#include "chart/bms_commands.h"
#include "fuzz_game.h"
#include "play/chart_load.h"

using namespace kvx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  auto game = fuzz::MakeGame();
  Game& g = *game;
  // The reader's options, chosen by the input.
  const uint32_t choice = fuzz::Choice(bytes);
  g.settings.NoBGA = choice & 1;
  g.chart.RandomLanes = choice & 2;
  g.chart.BackgroundPreview = choice & 4;
  g.chart.LaneRng.seed(choice);
  g.settings.RealHiSpeed = (choice & 8) ? 2.5f : 1.0f;
  g.settings.ModernCharts = choice & 16;
  g.chart.RandomSeed = choice;

  BMSInit(g);
  BMSReadText(g, "fuzz.bms", ChartTextFromBytes(bytes, g.settings.ModernCharts));
  BMSPrepare(g);

  // The tables must stay inside their bounds and ordered.
  const ChartState& c = g.chart;
  if (c.ObjectCount < 0 || c.ObjectCount > kMaxObjects) fuzz::Fail();
  if (c.KeySoundCount != static_cast<int32_t>(c.KeySoundList.size()) || c.KeySoundCount > kMaxKeySounds)
    fuzz::Fail();
  const auto end = c.Objects.begin() + c.ObjectCount;
  if (!std::is_sorted(c.Objects.begin(), end, [](const ChartObject& a, const ChartObject& b) {
        return a.Position < b.Position;
      }))
    fuzz::Fail();

  // The seeks of play (the start by measure and by position) and of the
  // song-select preview (any position), and the ends of both ranges.
  const int32_t last = c.ObjectCount > 0 ? c.Objects[c.ObjectCount - 1].Position : 0;
  for (int32_t measure : {0, c.LastMeasure / 2, c.LastMeasure, c.LastMeasure + 1}) SeekChart(g, measure, false);
  for (int32_t position : {0, 1, last / 3, last / 2, last - 1, last, last + 1}) {
    SeekChart(g, position, true);
    if (position >= 0 && position <= last && g.play.PlayPosition != position) fuzz::Fail();
  }
  return 0;
}
