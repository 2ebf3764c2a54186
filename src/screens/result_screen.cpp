// The result screen after a play: the panel opens from the middle line, every
// figure of the tally counts up over two seconds to the looping count sound,
// and a key-lane button leaves.
#include "screens/result_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/display_game.h"
#include "app/game.h"
#include "app/texts.h"
#include "media/display.h"
#include "media/skin.h"
#include "media/sound.h"
#include "media/surface.h"
#include "net/net_panel.h"
#include "play/judge.h"
#include "play/timing_feedback.h"

namespace kvx {

namespace {

constexpr uint32_t kCountUpMs = 2000;
constexpr Rect kHistogramBox{320, 360, 620, 424};
constexpr int kHistogramBins = 30;

struct JudgementRow {
  const char* word;
  uint32_t colour;  // the judgement's colour
};
constexpr JudgementRow kJudgementRows[5] = {
    {"FGREAT", 0xFFFF00}, {"GREAT", 0x00FF00}, {"GOOD", 0x4060FF}, {"BAD", 0xFF00FF}, {"POOR", 0xFF0000}};

std::string ClassName(const Game& g, int cls) {
  if (cls < 0 || cls >= static_cast<int>(g.app.RankLetters.size())) return "-";
  return g.app.RankLetters[cls];
}

bool ResultScreenMayEnd(const Game& g) { return g.play.QuitPlay && !g.screens.NetWaitPending; }

// The retry key works after a play from the song list: not in a course, a
// network battle, a jukebox play or a -S play.
bool MayRetry(const Game& g) {
  return !g.chart.CourseMode && !g.net.NetPlay && !g.screens.PreviewMode && !g.app.PlayStop;
}

// The panel: top 240 - 1.2 t, bottom 240 + 1.2 t, within the screen.
Rect PanelAt(uint32_t t) {
  const int half = static_cast<int>(std::min<uint32_t>(t, 1000) * 6 / 5);
  return Rect{16, std::max(0, 240 - half), 624, std::min(480, 240 + half)};
}

// Whether a row from y to y + height has been uncovered by the opening panel.
bool Uncovered(const Rect& panel, int y, int height) { return y >= panel.top && y + height <= panel.bottom; }

void DrawBanner(Game& g, const Rect& panel) {
  DisplayState& d = g.display;
  const Rect banner = g.screens.RectB;
  const int x = 320 - banner.Width() / 2, y = 8;
  if (!g.screens.ResultObjSurface.Valid() || !Uncovered(panel, y, banner.Height())) return;
  BltClipped(g.display, d.BackSurface, d.ScreenRect, x, y, g.screens.ResultObjSurface, banner, 0);
}

void DrawChartAndGauge(Game& g, const Rect& panel) {
  Surface& back = g.display.BackSurface;
  const ResultFigures& r = g.judge.Result[0];
  if (Uncovered(panel, 86, 40)) {
    // A course is named as a whole; its songs' titles passed during the play.
    const bool course = g.chart.CourseMode;
    DrawGdiText(g.display, back, GdiFont::Bold16, 40, 86, course ? "COURSE: " + g.chart.CourseName : g.chart.Title, 0xFFFFFF);
    DrawGdiText(g.display, back, GdiFont::List1, 40, 108,
                course ? std::to_string(g.chart.CourseSongCount) + " songs" : g.chart.Artist, 0xC0C8E8);
  }
  if (Uncovered(panel, 140, 80)) {
    DrawGdiText(g.display, back, GdiFont::Title, 40, 140, r.Cleared ? "CLEAR" : "FAILED", r.Cleared ? 0x80FFA0 : 0xFF7070);
    char gauge[32];
    std::snprintf(gauge, sizeof gauge, "GAUGE: %d%%", static_cast<int>(g.judge.Player[0].Gauge));
    DrawFontText(g.display, 40, 186, gauge);
    char speeds[64];
    std::snprintf(speeds, sizeof speeds, "HI-SPEED: %.2fx  PLAY SPEED: %.2fx", g.settings.HiSpeed,
                  g.settings.RealHiSpeed);
    DrawFontText(g.display, 40, 204, speeds);
  }
}

// The progress graph of the play, at 300 x 130 above the figures.
void DrawProgressGraph(Game& g, const Rect& panel) {
  DisplayState& d = g.display;
  const Rect dest{320, 120, 620, 250};
  if (!d.GraphSurface.Valid() || !Uncovered(panel, dest.top, dest.Height())) return;
  const Rect frame{dest.left - 1, dest.top - 1, dest.right + 1, dest.bottom + 1};
  FillSurface(g.display, d.BackSurface, &frame, 0x5060A0);
  BltStretch(g.display, d.BackSurface, dest, d.GraphSurface, Rect{0, 0, d.GraphSurface.width, d.GraphSurface.height}, 0);
}

// The five judgement counts of player 1, counting up; each row rises into place.
void DrawJudgementCounts(Game& g, const Rect& panel, uint32_t t, const ShownResult& shown) {
  Surface& back = g.display.BackSurface;
  for (int i = 0; i < 5; ++i) {
    const int rise = std::clamp((200 + 100 * i - static_cast<int>(t)) / 5, 0, 40);
    const int y = 260 + 40 * i + rise;
    if (!Uncovered(panel, y, 20)) continue;
    DrawGdiText(g.display, back, GdiFont::Bold16, 100, y, kJudgementRows[i].word, kJudgementRows[i].colour);
    DrawGdiText(g.display, back, GdiFont::Bold16, 200, y, std::to_string(shown.Counts[i]), 0xFFFFFF);
  }
}

// Player 1's figures, counting up, and the class picture of the counted J-PTS.
void DrawFigures(Game& g, const Rect& panel, const ShownResult& shown) {
  if (!Uncovered(panel, 260, 72)) return;
  DrawFontText(g.display, 320, 260, "SCORE: " + std::to_string(shown.Score));
  DrawFontText(g.display, 320, 275, "ExPTS: " + std::to_string(shown.ExPts));
  DrawFontText(g.display, 320, 290, "J-PTS: " + std::to_string(shown.JPts));
  DrawFontText(g.display, 320, 320, "COMBO: " + std::to_string(shown.MaxCombo));
  DisplayState& d = g.display;
  const Rect& picture = g.skin.ClassStrRects[std::clamp(shown.Class, 0, 6)];
  const Rect dest{500, 262, 500 + 2 * picture.Width(), 262 + 2 * picture.Height()};
  BltStretch(g.display, d.BackSurface, dest, d.SkinSurface, picture, kBltSourceColorKey);
}

// FAST and SLOW counts of player 1 and the histogram of the press offsets
// (early left, late right of the centre line) with their mean and spread,
// over the BAD window at the final tempo.
void DrawTimingHistogram(Game& g, const Rect& panel, uint32_t t) {
  if (!g.settings.TimingFeedback || !Uncovered(panel, kHistogramBox.top - 20, kHistogramBox.Height() + 40)) return;
  Surface& back = g.display.BackSurface;
  const TimingRecord& timing = g.judge.Timing[0];
  const int x = kHistogramBox.left;
  DrawGdiText(g.display, back, GdiFont::Bold12, x, kHistogramBox.top - 18,
              "FAST " + std::to_string(CountUpFigure(timing.Fast, t)), 0x40B0FF);
  DrawGdiText(g.display, back, GdiFont::Bold12, x + 90, kHistogramBox.top - 18,
              "SLOW " + std::to_string(CountUpFigure(timing.Slow, t)), 0xFF7040);
  DrawGdiText(g.display, back, GdiFont::Bold12, x + 180, kHistogramBox.top - 18,
              "MISS " + std::to_string(CountUpFigure(timing.Misses, t)), 0xC0C0C0);
  const float range = OffsetInMs(static_cast<float>(g.chart.JudgeWindow[3]), g.play.PositionRate);
  const TimingSummary sum = SummarizeTiming(timing, kHistogramBins, range > 0 ? range : 150.0f);
  FillSurface(g.display, back, &kHistogramBox, 0x202848);
  const int binWidth = kHistogramBox.Width() / kHistogramBins;
  const int32_t tallest = std::max(1, *std::max_element(sum.Bins.begin(), sum.Bins.end()));
  for (int i = 0; i < kHistogramBins; ++i) {
    const int height = static_cast<int>(CountUpFigure(sum.Bins[i], t) * (kHistogramBox.Height() - 2) / tallest);
    if (height <= 0) continue;
    const int left = x + i * binWidth;
    const Rect bar{left + 1, kHistogramBox.bottom - height, left + binWidth - 1, kHistogramBox.bottom};
    FillSurface(g.display, back, &bar, i < kHistogramBins / 2 ? 0x40B0FF : 0xFF7040);
  }
  const Rect centre{x + kHistogramBox.Width() / 2, kHistogramBox.top, x + kHistogramBox.Width() / 2 + 1,
                    kHistogramBox.bottom};
  FillSurface(g.display, back, &centre, 0xFFFFFF);
  char line[96];
  std::snprintf(line, sizeof line, "-%dms   MEAN %+.1fms  SPREAD %.1fms   +%dms", static_cast<int>(sum.RangeMs),
                static_cast<double>(sum.MeanMs), static_cast<double>(sum.SpreadMs), static_cast<int>(sum.RangeMs));
  DrawGdiText(g.display, back, GdiFont::Bold12, x, kHistogramBox.bottom + 3, line, 0xC8D0F0);
}

void DrawBottomLine(Game& g) {
  if (!ResultScreenMayEnd(g)) return;
  const Texts& t = TextsOf(g);
  const char* line = MayRetry(g) ? t.result_keys_retry : t.result_keys;
  DrawGdiText(g.display, g.display.BackSurface, GdiFont::Bold12, 40, 452, line, 0xC8D0F0);
}

void LogResult(Game& g) {
  const ResultFigures& r = g.judge.Result[0];
  DebugLog(g, "[Result] SCORE: " + std::to_string(std::llround(r.Score)) + " ExPTS: " + std::to_string(r.ExPts) +
                  " J-PTS: " + std::to_string(std::llround(r.JPoints)) + " COMBO: " + std::to_string(r.MaxCombo) +
                  " CLASS: " + ClassName(g, r.Class) + " FGREAT " + std::to_string(r.CountFGreat) + " GREAT " +
                  std::to_string(r.CountGreat) + " GOOD " + std::to_string(r.CountGood) + " BAD " +
                  std::to_string(r.CountBad) + " POOR " + std::to_string(r.CountPoor));
}

}  // namespace

ShownResult ResultShownAt(const Game& g, uint32_t t) {
  const ResultFigures& r = g.judge.Result[0];
  ShownResult shown;
  shown.Score = CountUpFigure(std::llround(r.Score), t);
  shown.ExPts = CountUpFigure(r.ExPts, t);
  shown.JPts = CountUpFigure(std::llround(r.JPoints), t);
  shown.MaxCombo = CountUpFigure(r.MaxCombo, t);
  const int32_t counts[5] = {r.CountFGreat, r.CountGreat, r.CountGood, r.CountBad, r.CountPoor};
  for (int i = 0; i < 5; ++i) shown.Counts[i] = CountUpFigure(counts[i], t);
  const int max = g.judge.JPointsMax;
  shown.Class = max == 0 ? 6 : ClassOf(static_cast<float>(shown.JPts) / static_cast<float>(max));
  return shown;
}

bool EndsResultScreen(int f) {
  return (f >= 11 && f <= 15) || f == 18 || f == 19 || (f >= 21 && f <= 25) || f == 28 || f == 29;
}

void ProcessKey_Result(Game& g, int16_t code) {
  // Escape counts as lane 11.
  const int f = code == 1 ? 11 : code >= 0 && code < kKeyTableSize ? g.app.KeyTable[code] : 0;
  // The retry key, unless it is bound to a lane.
  if (code == kRetryKey && (f < 11 || f > 29) && MayRetry(g)) {
    g.screens.RetryRequested = true;
    g.screens.ResultKeyPressed = true;
    return;
  }
  if (f < 11 || f > 29) return;
  g.app.LanePressed[f - 11] = true;
  // The press is kept until the screen's next frame has seen it, so a tap
  // released within the same frame still counts.
  if (EndsResultScreen(f)) g.screens.ResultKeyPressed = true;
}

void DrawResultScreen(Game& g, uint32_t t) {
  DisplayState& d = g.display;
  t = std::min(t, kCountUpMs);
  const Rect panel = PanelAt(t);
  DrawScrollingTiles(g, panel);
  FillSurface(g.display, d.BackSurface, &panel, 0x0C1030);
  DrawBanner(g, panel);
  DrawChartAndGauge(g, panel);
  DrawProgressGraph(g, panel);
  const ShownResult shown = ResultShownAt(g, t);
  DrawJudgementCounts(g, panel, t, shown);
  DrawFigures(g, panel, shown);
  DrawTimingHistogram(g, panel, t);
  if (g.screens.NetWaitPending) {
    DrawGdiText(g.display, d.BackSurface, GdiFont::Bold12, 80, 250, TextsOf(g).result_net_wait, 0xFFFFFF);
    DrawNetPlayPanel(g);
  }
  DrawBottomLine(g);
}

void RunResultScreen(Game& g) {
  g.app.GameState = Screen::Result;
  RunResultTally(g);
  LogResult(g);
  g.app.LanePressed.fill(false);
  g.screens.ResultKeyPressed = false;
  g.screens.RetryRequested = false;
  PlaySE(g.sound, g.judge.ResultSound);
  PlaySE(g.sound, kSePtsCount, true);
  bool counting = true;
  const uint32_t start = g.NowMs();
  while (g.app.Running || !g.app.started) {
    const uint32_t t = std::min(g.NowMs() - start, kCountUpMs);
    if (counting && t >= kCountUpMs) {
      StopSE(g.sound, kSePtsCount);
      counting = false;
    }
    if (counting || !RestFrame(g)) {
      if (CheckDisplay(g)) DrawResultScreen(g, t);
      PresentFrame(g, false);
    }
    if (!ResultScreenMayEnd(g)) g.screens.ResultKeyPressed = g.screens.RetryRequested = false;
    else if (g.screens.ResultKeyPressed) break;
  }
  if (counting) StopSE(g.sound, kSePtsCount);
  g.screens.ResultKeyPressed = false;
  g.app.LanePressed.fill(false);
}

}  // namespace kvx
