// The ranking name entry: the ten places of the chart with the new one
// blinking, while the typed characters build the name.
#include "screens/ranking_screen.h"
#include "screens/song_select_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/display_game.h"
#include "app/game.h"
#include "app/texts.h"
#include "media/display.h"
#include "media/surface.h"

namespace kvx {

namespace {

constexpr const char* kEmptyName = "VeXo :-";
constexpr int kRowTop = 80;
constexpr int kHeaderY = 60;
constexpr float kSpeedSpacing = -1.0f;

std::string FormatSpeed(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1fx", static_cast<double>(v));
  return text;
}

int32_t RoundToInt(float v) {
  const double r = std::nearbyint(static_cast<double>(v));  // halves to even
  return static_cast<int32_t>(std::fmax(-2147483647.0, std::fmin(2147483647.0, r)));
}

// The score in six of the skin's score digit pictures.
void DrawScoreDigits(Game& g, int x, int y, float score) {
  NumberFont font;
  font.advance = g.skin.PtsNumAdvance;
  for (int i = 0; i < 10; ++i) font.rects[i] = g.skin.PtsNumRects[i];
  DrawNumber(g.display, g.display.SkinSurface, font, x, y, RoundToInt(score), 6);
}

void DrawClassPicture(Game& g, int row_top, int cls) {
  if (cls < 0 || cls > 6) return;
  DisplayState& d = g.display;
  BltStretch(g.display, d.BackSurface, RankingClassRect(g, row_top, cls), d.SkinSurface, g.skin.ClassStrRects[cls],
             kBltSourceColorKey);
}

// The figures of a row after its name.
void DrawFigures(Game& g, const RankingColumns& c, int y, const RankEntry& e) {
  DrawScoreDigits(g, c.score, y, e.Score);
  DrawFontText(g.display, c.jpts, y, FormatNumber(RoundToInt(e.JPts), 5));
  DrawFontText(g.display, c.combo, y, FormatNumber(e.MaxCombo, 3));
  DrawFontText(g.display, c.hs, y, FormatSpeed(e.HiSpeed), kSpeedSpacing);
  DrawFontText(g.display, c.rhs, y, FormatSpeed(e.RealHiSpeed), kSpeedSpacing);
  if (e.Score != 0) DrawClassPicture(g, y, e.Class);
}

// The new row blinks its figures; the prompt goes on a line of its own under
// the name, inside the row.
void DrawNewRow(Game& g, const RankingColumns& c, int y, const RankEntry& entry, uint32_t now) {
  std::string name = g.screens.RankingName;
  if (now % 1000 > 500) name += "_";
  DrawFontText(g.display, c.name, y, name);
  if (now % 500 < 450) DrawFigures(g, c, y, entry);
  // A resting screen is drawn again when the blink turns (at 450 ms and, on
  // the background's steps, 50 ms past the half second).
  const uint32_t phase = now % 500;
  RedrawAt(g.display, now - phase + (phase < 50 ? 50 : phase < 450 ? 450 : 550));
  const int prompt_y = y + g.display.CharHeight + 2;
  const float arrows_spacing = static_cast<float>(std::abs(100 - static_cast<int>(now % 200))) / 10.0f;
  DrawFontText(g.display, c.name, prompt_y, "<<<", arrows_spacing);
  DrawFontText(g.display, c.name + 3 * (g.display.CharWidth + 10) + g.display.CharWidth, prompt_y, "ENTER YOUR NAME");
}

void DrawOtherRow(Game& g, const RankingColumns& c, int y, const RankEntry& e) {
  DrawFontText(g.display, c.name, y, e.Name);
  DrawFigures(g, c, y, e);
}

}  // namespace


std::string StorableRankingName(const std::string& name) {
  std::string kept;
  for (char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 32 && c <= 127 && kept.size() < kRankNameLength) kept += ch;
  }
  return kept;
}

int RankingRowTop(int place) { return kRowTop + kRankingRowHeight * place; }

namespace {

RankingColumns ColumnsBeforeTheRightEdge(const Game& g) {
  const int ch = std::max<int>(1, g.display.CharWidth);
  const int gap = 2 * ch;
  RankingColumns c;
  c.no = 20;
  c.name = c.no + 2 * ch + gap;                                                           // "10"
  c.score = c.name + (static_cast<int>(kRankNameLength) + 1) * ch + gap;                  // the name, its cursor
  c.jpts = c.score + std::max(6 * std::max<int>(g.skin.PtsNumAdvance, 1), 5 * ch) + gap;  // six digits
  c.combo = c.jpts + 6 * ch + gap;                                                        // "-12345"
  c.hs = c.combo + 5 * ch + gap;                                                          // "COMBO", "12345"
  c.rhs = c.hs + 5 * ch + gap;                                                            // "10.0x"
  c.cls = c.rhs + 5 * ch + gap;
  return c;
}

}  // namespace

RankingColumns RankingColumnsFor(const Game& g) {
  RankingColumns c = ColumnsBeforeTheRightEdge(g);
  c.right = c.cls + std::max(5 * std::max<int>(1, g.display.CharWidth), RankingClassRect(g, 0, 0).Width());
  return c;
}

Rect RankingClassRect(const Game& g, int row_top, int cls) {
  const Rect& picture = g.skin.ClassStrRects[std::clamp(cls, 0, 6)];
  const int height = std::min(picture.Height(), kRankingRowHeight - 4);
  const int width = picture.Height() > 0 ? picture.Width() * height / picture.Height() : 0;
  // Its middle on the middle of the row's text.
  const int top = row_top + g.display.CharHeight / 2 - height / 2;
  const int x = ColumnsBeforeTheRightEdge(g).cls;
  return Rect{x, top, x + width, top + height};
}

void DrawRankingScreen(Game& g, int place, const RankEntry& entry) {
  DisplayState& d = g.display;
  const uint32_t now = g.NowMs();
  const RankingColumns c = RankingColumnsFor(g);
  const Rect panel{0, 20, 640, RankingRowTop(kRankingPlaces) + 6};
  DrawScrollingTiles(g, panel);
  FillSurface(g.display, d.BackSurface, &panel, 0x0A0C1A);
  DrawFontText(g.display, 10, 30, "YOU RANKED IN " + std::to_string(place + 1) + OrdinalSuffix(place + 1) + " !");
  DrawFontText(g.display, c.no, kHeaderY, "NO");
  DrawFontText(g.display, c.name, kHeaderY, "NAME");
  DrawFontText(g.display, c.score, kHeaderY, "SCORE");
  DrawFontText(g.display, c.jpts, kHeaderY, "J-PTS");
  DrawFontText(g.display, c.combo, kHeaderY, "COMBO");
  DrawFontText(g.display, c.hs, kHeaderY, "HS");
  DrawFontText(g.display, c.rhs, kHeaderY, "RHS");
  DrawFontText(g.display, c.cls, kHeaderY, "CLASS");
  for (int i = 0; i < kRankingPlaces; ++i) {
    const int y = RankingRowTop(i);
    DrawFontText(g.display, c.no, y, std::to_string(i + 1));
    if (i == place) DrawNewRow(g, c, y, entry, now);
    else DrawOtherRow(g, c, y, g.screens.Record.Ranking[i]);
  }
  DrawFontText(g.display, 40, 420, TextsOf(g).ranking_keys);
}

void RunRankingNameEntry(Game& g, int place, const RankEntry& entry) {
  std::string& name = g.screens.RankingName;
  name = StorableRankingName(name);
  g.app.GameState = Screen::RankingNameEntry;
  DebugLog(g, "[AddScoreDat] name entry for place " + std::to_string(place + 1));
  while (g.app.GameState == Screen::RankingNameEntry) {
    if (name.size() >= kRankNameLength) name.resize(kRankNameLength);
    if (!RestFrame(g)) {
      if (CheckDisplay(g)) DrawRankingScreen(g, place, entry);
      PresentFrame(g, false);
    }
    // A window closed without ending the program (never in a started game,
    // whose close ends it) still ends the entry.
    if (g.app.started && !g.app.Running) ProcessKey_EnterName(g, 13);
  }
}

void ProcessKey_EnterName(Game& g, int16_t character) {
  if (g.app.GameState != Screen::RankingNameEntry) return;
  std::string& name = g.screens.RankingName;
  if (character >= 32 && character <= 127) {
    name += static_cast<char>(character);
  } else if (character == 8) {
    if (!name.empty()) name.pop_back();
  } else if (character == 13 || character == 27) {
    if (name.empty()) name = kEmptyName;
    g.app.GameState = Screen::SongList;
  }
}

}  // namespace kvx
