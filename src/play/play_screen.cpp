#include "play/play_screen.h"

#include <algorithm>
#include <cmath>

#include "app/game.h"
#include "play/play_loop.h"
#include "play/play_loop_links.h"

namespace kvx {

namespace {

int32_t RoundEven(double v) { return static_cast<int32_t>(std::nearbyint(v)); }

bool IsNoteChannel(int ch) { return (ch >= 11 && ch <= 19) || (ch >= 21 && ch <= 29); }

void SetChartVolume(Game& g, int32_t hundredthsDb) {
  hundredthsDb = std::max<int32_t>(hundredthsDb, -10000);
  for (int id = 1; id < kMediaIds; ++id)
    if (WavExists(g, id)) SetWavVolume(g, id, hundredthsDb);
}

}  // namespace

int32_t JudgeLineY(const Game& g, int side) { return 400; }

int32_t NoteScreenY(const Game& g, int side, double position) {
  return RoundEven(JudgeLineY(g, side) + (g.play.PlayPosition - position) * g.settings.HiSpeed);
}

int32_t UpdatePlayFade(Game& g) {
  PlayState& p = g.play;
  const int32_t t = static_cast<int32_t>(g.NowMs() - p.FadeStart);
  auto finish = [&] {
    p.FadeState = kFadeNone;
    if (p.FadeMayFinish == 1) p.QuitPlay = true;
  };
  switch (p.FadeState) {
    case kFadeClose: {
      if (p.Playing) SetChartVolume(g, -50 * t);
      if (t > 200) {
        finish();
        return 100;
      }
      return std::clamp(t / 2, 0, 100);
    }
    case kFadeBrighten: {
      if (t > 200) {
        finish();
        return 0;
      }
      return std::clamp(t / 2, 0, 100);
    }
    case kFadeFailed: {
      if (t > 1000) SetChartVolume(g, -5 * (t - 1000));
      if (t > 2000) {
        finish();
        return 100;
      }
      return std::clamp(t / 20, 0, 100);
    }
    case kFadeStage:
      if (t > 500) {
        ReleaseChartImages(g);
        p.FadeState = kFadeIntro;
        p.FadeStart = g.NowMs();
      }
      return 0;
    case kFadeIntro:
      // The falling-tile opening runs 300 ms.
      if (t >= 300) p.FadeState = kFadeNone;
      return 0;
    default:
      return 0;
  }
}

void DrawPlayScreen(Game& g, int32_t objectIndex) {
  PlayState& p = g.play;
  if (objectIndex > g.chart.ObjectCount || g.chart.BackgroundPreview) return;
  if (!CheckDisplay(g)) return;
  if (SuperShuffle(g)) ShuffleAhead(g);
  ++p.FrameCount;

  const int sides = std::clamp<int>(PlaySides(g), 1, 2);
  const int lastLane = sides * 10 + 9;
  // Missed notes.
  for (int c = 11; c <= lastLane; ++c) {
    if (c == 20 || c == 17 || c == 27) continue;
    DetectMiss(g, c - 11);
  }
  // The note walk: from the first object not yet reached to the top of the screen.
  const int count = std::min(g.chart.ObjectCount, kMaxObjects);
  const float hs = g.settings.HiSpeed > 0 ? g.settings.HiSpeed : 1.0f;
  for (int side = 0; side < sides; ++side) {
    const double top = p.PlayPosition + JudgeLineY(g, side) / hs;
    for (int i = std::max(0, objectIndex); i < count; ++i) {
      const ChartObject& o = g.chart.Objects[i];
      if (o.Position >= top) break;
      if (!IsNoteChannel(o.Channel) || (o.Channel / 10 - 1) != side) continue;
      const int32_t y = NoteScreenY(g, side, o.Position);
      ChooseCandidate(g, i, y);
    }
  }
  UpdatePlayFade(g);
  PresentFrame(g);
}

}  // namespace kvx
