// A demo play of a chart file's bytes: the chart is read and prepared, the
// clock starts as a play starts it, and frames run on a scripted clock through
// the whole chart, every object handled and judged automatically. A few frames
// are drawn with the default skin on the software renderer; the others run
// without drawing, as a background preview does.
#include <algorithm>
#include <cstdlib>

#include "chart/bms_commands.h"
#include "app/display_game.h"
#include "app/skin_loading.h"
#include "fuzz_game.h"
#include "media/display.h"
#include "media/skin.h"
#include "play/chart_load.h"
#include "play/judge.h"
#include "play/play_loop.h"

using namespace kvx;

namespace {

Game* game = nullptr;
ScriptedClock* game_clock = nullptr;

constexpr int kFrames = 240;
constexpr int kDrawnEvery = 60;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  game = fuzz::MakeGame().release();
  Game& g = *game;
  auto clock = std::make_unique<ScriptedClock>(100000, 1);
  game_clock = clock.get();
  g.UseClock(std::move(clock));
  InitDX(g);
  ShowGameWindow(g);
  InitDD(g);
  CreateSurfaces(g);
  LoadRectData(g, std::string(KVX_BUILD_DIR) + "/_kvxfiles/kvx_scr.brd");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Game& g = *game;
  const std::string_view bytes = fuzz::Bytes(data, size);
  const uint32_t choice = fuzz::Choice(bytes);
  // Settings a player may have, chosen by the input.
  g.settings.DEMOMode = true;
  g.settings.HiSpeed = (choice & 1) ? 0.5f : (choice & 2) ? 4.0f : 1.0f;
  g.settings.RealHiSpeed = (choice & 4) ? 3.0f : 1.0f;
  g.settings.Reverse = choice & 8;
  g.settings.Sudden = choice & 16;
  g.play.FixedGaugeMode = choice & 32;
  g.settings.ModernCharts = choice & 64;
  g.chart.RandomSeed = choice;

  g.chart.BackgroundPreview = false;
  BMSInit(g);
  BMSReadText(g, "fuzz.bms", ChartTextFromBytes(bytes, g.settings.ModernCharts));
  BMSPrepare(g);

  ResetPlayState(g);
  PlayState& p = g.play;
  p.Playing = true;
  p.QuitPlay = false;
  p.Failed = false;
  SeekChart(g, 0, false);
  // Frames long enough to cross the whole chart in kFrames, at least a 60th of a second.
  const uint32_t length = static_cast<uint32_t>(std::max(g.chart.LengthMs, 0));
  const uint32_t step = std::clamp<uint32_t>(length / kFrames + 1, 16, 600000);
  for (int frame = 0; frame < kFrames && p.Playing && !p.QuitPlay; ++frame) {
    game_clock->Advance(step);
    g.chart.BackgroundPreview = frame % kDrawnEvery != kDrawnEvery - 1;
    UpdateFrame(g);
  }
  g.chart.BackgroundPreview = false;
  return 0;
}
