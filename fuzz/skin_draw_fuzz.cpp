// The skin file as the play screen uses it: the bytes of a skin file are read
// beside the generated default skin (so "#FILE kvx_scr.png" finds its image),
// the surfaces are made again for the skin's background window, and frames of
// a two-sided play with notes, bombs, judgements, combo and gauge are drawn on
// the software renderer.
#include <algorithm>
#include <cstdlib>

#include "app/display_game.h"
#include "fuzz_game.h"
#include "media/display.h"
#include "media/skin.h"
#include "play/judge.h"
#include "play/play_screen.h"

using namespace kvx;

namespace {

Game* game = nullptr;

void StartPlayAt(Game& g, double position) {
  PlayState& p = g.play;
  p.PlayStartTime = g.NowMs();
  p.BasePosition = static_cast<int32_t>(position);
  p.EffectiveBPM = g.chart.BPM;
  p.InitialBPM = g.chart.BPM;
  p.PositionRate = p.EffectiveBPM / kMsPerUnitAtOneBpm;
  p.NextObject = 0;
  p.ElapsedMs = 0;
  p.PlayPosition = position;
  p.Playing = true;
  p.QuitPlay = false;
}

// Notes on every lane of both sides, a tempo change and bar lines.
void WriteChart(Game& g) {
  ChartState& c = g.chart;
  int n = 0;
  for (int m = 0; m <= 8; ++m) c.Objects[n++] = ChartObject{m, m * 192, 0, -1, 0, 0};
  for (int k = 0; k < 40; ++k)
    for (int lane : {11, 12, 13, 14, 15, 16, 18, 19, 21, 22, 23, 24, 25, 26, 28, 29})
      c.Objects[n++] = ChartObject{k / 4, 24 + k * 36, 0, lane, 1 + k % 3, 0};
  c.Objects[n++] = ChartObject{2, 400, 0, 3, 180, 0};
  std::stable_sort(c.Objects.begin(), c.Objects.begin() + n,
                   [](const ChartObject& a, const ChartObject& b) { return a.Position < b.Position; });
  c.ObjectCount = n;
  c.BPM = 150;
  c.LastMeasure = 7;
  c.Player = 2;
  c.PlaySides = 2;
  c.NoteCount = {320, 320};
  c.LengthMs = 12000;
  for (int m = 0; m <= 8; ++m) c.MeasureLength[m] = 1.0f;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  game = fuzz::MakeGame().release();
  Game& g = *game;
  InitDX(g);
  ShowGameWindow(g);
  InitDD(g);
  CreateSurfaces(g);
  WriteChart(g);
  g.settings.DEMOMode = true;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Game& g = *game;
  const uint32_t choice = fuzz::Choice(fuzz::Bytes(data, size));
  g.skin = SkinLayout{};
  ReadSkinText(g.Services(), g.skin, g.display, std::string(KVX_BUILD_DIR) + "/_kvxfiles/fuzz.brd", fuzz::Bytes(data, size));
  CreateSurfaces(g);

  // A play in progress: both sides with a combo, judgements and bombs shown.
  g.settings.HiSpeed = (choice & 1) ? 2.5f : 1.0f;
  g.settings.Reverse = choice & 2;
  g.settings.ShowGauge = true;
  for (PlayerScore& ps : g.judge.Player) {
    ps = PlayerScore{};
    ps.Gauge = static_cast<float>(choice % 101);
    ps.Combo = ps.MaxCombo = 1234;
    ps.LastJudgement = static_cast<int32_t>(choice % 6);
    ps.LastJudgementTime = g.NowMs();
  }
  g.judge.BombActive.fill(true);
  g.judge.BombTime.fill(g.NowMs());
  for (int32_t object : {0, 10}) {
    StartPlayAt(g, object == 0 ? 0.0 : 600.0);
    DrawPlayScreen(g, object);
  }
  return 0;
}
