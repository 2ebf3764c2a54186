// The result screen after a play: the figures of the tally count up over two
// seconds while the judgement counts count down; a key-lane button leaves.
#include "screens/result_screen.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "app/game.h"
#include "media/display.h"
#include "media/sound.h"
#include "media/surface.h"
#include "play/judge.h"

namespace kvx {

namespace {

constexpr uint32_t kCountUpMs = 2000;

// The lanes that leave the screen: the key lanes, not the scratch pair or pedals.
bool IsLeavingLane(int f) {
  return (f >= 11 && f <= 15) || f == 18 || f == 19 || (f >= 21 && f <= 25) || f == 28 || f == 29;
}

// A press since the screen started, however short: the presses are counted
// as they arrive, so one made and released between two frames is not missed.
bool LeavingLanePressed(const Game& g, const std::array<uint32_t, 19>& before) {
  for (int f = 11; f <= 29; ++f)
    if (IsLeavingLane(f) && g.app.LanePresses[f - 11] != before[f - 11]) return true;
  return false;
}

std::string ClassName(const Game& g, int cls) {
  if (cls < 0 || cls >= static_cast<int>(g.app.RankLetters.size())) return "-";
  return g.app.RankLetters[cls];
}

void DrawResultFrame(Game& g, uint32_t t) {
  Surface& back = g.display.BackSurface;
  const ResultFigures& r = g.judge.Result[0];
  FillSurface(g, back, nullptr, 0x000000);
  // The panel opens from the middle line.
  const int half = static_cast<int>(std::min<uint32_t>(t, 200) * 6 / 5);
  Rect panel{0, std::max(0, 240 - half), 640, std::min(480, 240 + half)};
  FillSurface(g, back, &panel, 0x101830);

  DrawGdiText(g, back, GdiFont::Bold16, 40, 40, g.chart.Title, 0xFFFFFF);
  DrawGdiText(g, back, GdiFont::List1, 40, 64, g.chart.Artist, 0xC0C0E0);
  DrawGdiText(g, back, GdiFont::Bold16, 40, 120, r.Cleared ? "STAGE CLEAR" : "STAGE FAILED",
              r.Cleared ? 0x80FFA0 : 0xFF8080);

  const char* names[] = {"FGREAT", "GREAT", "GOOD", "BAD", "POOR"};
  const int32_t counts[] = {r.CountFGreat, r.CountGreat, r.CountGood, r.CountBad, r.CountPoor};
  for (int i = 0; i < 5; ++i) {
    const int y = 260 + 40 * i;
    const int64_t shown = counts[i] * static_cast<int64_t>(kCountUpMs - t) / kCountUpMs;
    DrawGdiText(g, back, GdiFont::List1, 100, y, names[i], 0xE0E0F0);
    DrawGdiText(g, back, GdiFont::List1, 200, y, std::to_string(shown), 0xFFFFA0);
  }
  const float jptsShown = static_cast<float>(CountUpFigure(std::llround(r.JPoints), t));
  DrawGdiText(g, back, GdiFont::List1, 320, 260,
              "SCORE: " + std::to_string(CountUpFigure(std::llround(r.Score), t)), 0xFFFFFF);
  DrawGdiText(g, back, GdiFont::List1, 320, 275, "ExPTS: " + std::to_string(CountUpFigure(r.ExPts, t)),
              0xFFFFFF);
  DrawGdiText(g, back, GdiFont::List1, 320, 290,
              "J-PTS: " + std::to_string(static_cast<int64_t>(jptsShown)), 0xFFFFFF);
  DrawGdiText(g, back, GdiFont::List1, 320, 320, "COMBO: " + std::to_string(CountUpFigure(r.MaxCombo, t)),
              0xFFFFFF);
  const float max = static_cast<float>(std::max(1, g.judge.JPointsMax));
  const int shownClass = g.judge.JPointsMax == 0 ? 6 : ClassOf(jptsShown / max);
  DrawGdiText(g, back, GdiFont::Title, 480, 300, ClassName(g, shownClass), 0xFFD040);
  DrawGdiText(g, back, GdiFont::Status, 40, 460, "Press a lane key (1-7) or Esc to continue", 0xA0A0A0);
  PresentFrame(g, false);
}

}  // namespace

void RunResultScreen(Game& g) {
  g.app.GameState = Screen::Result;
  RunResultTally(g);
  DebugLog(g, ResultSummaryLine(g));
  g.app.LanePressed.fill(false);
  PlaySE(g, g.judge.ResultSound);
  PlaySE(g, kSePtsCount, true);
  bool counting = true;
  const uint32_t start = g.NowMs();
  const std::array<uint32_t, 19> pressesBefore = g.app.LanePresses;
  while (g.app.Running || !g.app.started) {
    const uint32_t t = std::min(g.NowMs() - start, kCountUpMs);
    if (counting && t >= kCountUpMs) {
      StopSE(g, kSePtsCount);
      counting = false;
    }
    DrawResultFrame(g, t);
    if (g.play.QuitPlay && LeavingLanePressed(g, pressesBefore)) break;
  }
  if (counting) StopSE(g, kSePtsCount);
  g.app.LanePressed.fill(false);
}

// The ranking name entry arrives with the score records; until then a typed
// name only edits the offered name.
void ProcessKey_EnterName(Game& g, int16_t character) {
  std::string& name = g.screens.RankingName;
  if (character >= 32 && character <= 127) {
    name += static_cast<char>(character);
  } else if (character == 8) {
    if (!name.empty()) name.pop_back();
  } else if (character == 13 || character == 27) {
    if (name.empty()) name = "VeXo :-";
    g.app.GameState = Screen::SongList;
  }
}

}  // namespace kvx
