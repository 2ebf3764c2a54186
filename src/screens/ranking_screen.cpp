// The ranking name entry: the ten places of the chart with the new one
// blinking, while the typed characters build the name.
#include "screens/ranking_screen.h"
#include "screens/song_select_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/game.h"
#include "media/display.h"
#include "media/surface.h"

namespace kvx {

namespace {

constexpr const char* kEmptyName = "VeXo :-";
constexpr int kRowTop = 80;
constexpr int kRowStep = 30;
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
  DrawNumber(g, font, x, y, RoundToInt(score), 6, &g.display.SkinSurface);
}

void DrawClassPicture(Game& g, int x, int y, int cls) {
  if (cls < 0 || cls > 6) return;
  DisplayState& d = g.display;
  BltClipped(g, d.BackSurface, d.ScreenRect, x, y, d.SkinSurface, g.skin.ClassStrRects[cls], kBltSourceColorKey);
}

void DrawNewRow(Game& g, int y, const RankEntry& entry, uint32_t now) {
  std::string name = g.screens.RankingName;
  if (now % 1000 > 500) name += "_";
  DrawFontText(g, 40, y, name);
  DrawFontText(g, 300, y, "<<<", static_cast<float>(std::abs(100 - static_cast<int>(now % 200))) / 10.0f);
  DrawFontText(g, 340, y, "ENTER YOUR NAME");
  if (now % 500 < 450) {
    DrawScoreDigits(g, 160, y, entry.Score);
    DrawFontText(g, 240, y, FormatNumber(RoundToInt(entry.JPts), 5));
  }
}

void DrawOtherRow(Game& g, int y, const RankEntry& e) {
  DrawFontText(g, 40, y, e.Name);
  DrawScoreDigits(g, 160, y, e.Score);
  DrawFontText(g, 240, y, FormatNumber(RoundToInt(e.JPts), 5));
  DrawFontText(g, 290, y, FormatNumber(e.MaxCombo, 3));
  // The two speeds stand 30 pixels apart: a pixel less between their
  // characters keeps "1.0x" clear of the next column.
  DrawFontText(g, 340, y, FormatSpeed(e.HiSpeed), kSpeedSpacing);
  DrawFontText(g, 370, y, FormatSpeed(e.RealHiSpeed), kSpeedSpacing);
  if (e.Score != 0) DrawClassPicture(g, 420, y, e.Class);
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

void DrawRankingScreen(Game& g, int place, const RankEntry& entry) {
  DisplayState& d = g.display;
  const uint32_t now = g.NowMs();
  FillSurface(g, d.BackSurface, nullptr, 0x000000);
  DrawScrollingTiles(g);
  const Rect panel{0, 20, 640, kRowTop + kRowStep * kRankingPlaces + 6};
  FillSurface(g, d.BackSurface, &panel, 0x0A0C1A);
  DrawFontText(g, 10, 30, "YOU RANKED IN " + std::to_string(place + 1) + OrdinalSuffix(place + 1) + " !");
  DrawFontText(g, 20, 60, "NO");
  DrawFontText(g, 40, 60, "NAME");
  DrawFontText(g, 160, 60, "SCORE");
  DrawFontText(g, 240, 60, "J-PTS");
  DrawFontText(g, 290, 60, "COMBO");
  DrawFontText(g, 340, 60, "HS");
  DrawFontText(g, 370, 60, "RHS");
  DrawFontText(g, 420, 60, "CLASS");
  for (int i = 0; i < kRankingPlaces; ++i) {
    const int y = kRowTop + kRowStep * i;
    DrawFontText(g, 20, y, std::to_string(i + 1));
    if (i == place) DrawNewRow(g, y, entry, now);
    else DrawOtherRow(g, y, g.screens.Record.Ranking[i]);
  }
  DrawFontText(g, 40, 420, "TYPE YOUR NAME (8 LETTERS)   [BACKSPACE]: DELETE   [ENTER]: OK");
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
