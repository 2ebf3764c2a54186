// Song select: one frame of the screen. The song-select background carries
// the title bar, the information panel on the left and the bottom bar; the
// list of entries fills the right column, the help lines close it.
//
//   title bar   y 0..24     logo (in the background), heading from x 304
//   info panel  x 8..296    picture, level, title, figures, ranking, options
//   list        x 304..632  entries around the cursor, y 38..408
//   help box    x 304..632  y 414..444, two lines
//   bottom bar  y 456..480  the status message and the frame rate
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/game.h"
#include "app/texts.h"
#include "media/display.h"
#include "media/surface.h"
#include "net/net_session.h"
#include "platform/text.h"
#include "screens/song_select.h"
#include "screens/song_select_internal.h"
#include "screens/song_select_text.h"

namespace kvx {

namespace {

constexpr int kHeadingX = 304, kHeadingY = 4;
constexpr int kListLeft = 304, kListRight = 632, kListTop = 38, kListBottom = 408;
constexpr int kRowHeight = 20;
constexpr int kCursorRowY = 213;
constexpr int kMaxRows = 18;  // rows that fit the list at once
constexpr int kOpeningSlide = 160;  // pixels the list slides in from the right per unit of the animation
constexpr int kRowStaggerMs = 30;   // rows appear one after another from the cursor outwards
constexpr int kPanelLeft = 16, kPanelRight = 288;
constexpr int kPictureX = 56, kPictureY = 44, kPictureW = 192, kPictureH = 144;
constexpr int kOptionsY = 394;
constexpr int kHelpTop = 414, kHelpBottom = 444;

constexpr uint32_t kTextColor = 0xC8D4F0;
constexpr uint32_t kCursorTextColor = 0xFFFFFF;
constexpr uint32_t kHeadingColor = 0xFFFFFF;
constexpr uint32_t kLabelColor = 0x9CC8FF;
constexpr uint32_t kMissingColor = 0xFF6060;  // files a chart names that are not there

enum class ListIcon { Jukebox = 0, Song = 1, Course = 2, NewCourse = 3 };

// Parts of the fixed song-select image.
const Rect& IconRect(const Game& g, ListIcon icon) { return g.screens.RectC[static_cast<int>(icon)]; }
const Rect& OptionIconRect(const Game& g, int i) { return g.screens.RectE[i]; }
const Rect& CoverTagRect(const Game& g, int cover) { return g.screens.RectF[cover]; }
const Rect& StarRect(const Game& g) { return g.screens.RectK; }
const Rect& SeparatorRect(const Game& g) { return g.screens.RectL; }
const Rect& NoStageRect(const Game& g, int i) { return g.screens.RectJ[i]; }
NumberFont ListDigits(const Game& g) {
  NumberFont font;
  font.advance = 9;
  font.rects = g.screens.RectH;
  return font;
}

Surface& Back(Game& g) { return g.display.BackSurface; }

void Text(Game& g, GdiFont font, int x, int y, const std::string& text, uint32_t rgb, int right = kPanelRight) {
  DrawGdiTextClipped(g, Back(g), font, x, y, text, rgb, right);
}

void Part(Game& g, int x, int y, const Rect& part) {
  BltClipped(g.display, Back(g), g.display.ScreenRect, x, y, g.screens.SongSelectObjSurface, part, kBltSourceColorKey);
}

bool SongMode(Screen mode) {
  return mode == Screen::SongList || mode == Screen::NetWaitPreview || mode == Screen::NetWaitChoice;
}

std::string Heading(const Game& g) {
  switch (g.app.GameState) {
    case Screen::JukeboxList: case Screen::CourseSongChoice: return "SELECT JUKEBOX";
    case Screen::CourseList: return "SELECT COURSE";
    default: return g.screens.JukeboxName;
  }
}

int CoverState(const Game& g) {
  const Settings& s = g.settings;
  if (s.Stealth) return 4;
  if (s.Hidden && s.Sudden) return 3;
  if (s.Sudden) return 2;
  return s.Hidden ? 1 : 0;
}

std::string FormatLength(int32_t ms) {
  int32_t seconds = std::max(0, ms) / 1000;
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
  return text;
}

std::string FormatBpm(float bpm) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(bpm));
  return text;
}

// ---- the list ------------------------------------------------------------------

ListIcon IconOf(Screen mode, int index) {
  if (mode == Screen::CourseList) return index == 0 ? ListIcon::NewCourse : ListIcon::Course;
  return SongMode(mode) ? ListIcon::Song : ListIcon::Jukebox;
}

void DrawEntryRow(Game& g, int index, int y, bool cursor, int shift) {
  const SongEntry& e = g.library.SongList[index];
  const Screen mode = g.app.GameState;
  const int x = kListLeft + shift;
  if (cursor) {
    Rect bar{x, y, kListRight, y + kRowHeight};
    FillSurface(g.display, Back(g), &bar, 0x2A4A9E);
    DrawLine(g.display, Back(g), x, y, kListRight - 1, y, 0x88AAFF);
    DrawLine(g.display, Back(g), x, y + kRowHeight - 1, kListRight - 1, y + kRowHeight - 1, 0x102050);
  }
  Part(g, x + 2, y, IconRect(g, IconOf(mode, index)));
  int text_x = x + 28;
  if (SongMode(mode)) {
    DrawNumber(g, ListDigits(g), x + 26, y + 1, std::clamp(e.PlayLevel, 0, 99), 2);
    text_x = x + 50;
  }
  const bool cleared = g.settings.ShowClearedOnList && index < static_cast<int>(g.library.SongMarks.size()) &&
                       g.library.SongMarks[index];
  const uint32_t color = cleared ? kClearedTextColor : cursor ? kCursorTextColor : kTextColor;
  const GdiFont font = cursor ? GdiFont::Bold12 : GdiFont::List1;
  const int text_y = y + (kRowHeight - GdiFontHeight(g, font)) / 2;
  Text(g, font, text_x, text_y, e.Title, color, kListRight);
}

void DrawEntries(Game& g) {
  const int count = EntryCount(g);
  const ScreensState& s = g.screens;
  if (count == 0) {
    Text(g, GdiFont::Bold12, kListLeft + 8, kCursorRowY, "(empty)", kTextColor, kListRight);
    return;
  }
  const float offset = s.ScrollOffset;
  const int shift = static_cast<int>(std::lround((s.OpeningValue - 1.0f) * kOpeningSlide));
  // Row k (k = 0 the cursor) is drawn at kCursorRowY + (k - offset) x kRowHeight.
  const int k_first = static_cast<int>(std::floor(static_cast<float>(kListTop - kCursorRowY) / kRowHeight + offset));
  const int k_last =
      static_cast<int>(std::ceil(static_cast<float>(kListBottom - kRowHeight - kCursorRowY) / kRowHeight + offset));
  const int cursor = g.app.ListCursor;
  for (int k = k_first; k <= k_last; ++k) {
    const int y = kCursorRowY + static_cast<int>(std::lround((k - offset) * kRowHeight));
    if (y < kListTop || y + kRowHeight > kListBottom) continue;
    if (s.OpeningCountdown > 500 - std::abs(k) * kRowStaggerMs) continue;
    int index = cursor + k;
    if (count > kMaxRows) index = ((index % count) + count) % count;  // a long list wraps round
    else if (index < 0 || index >= count) continue;
    DrawEntryRow(g, index, y, k == 0, shift);
  }
}

// ---- the information panel -------------------------------------------------------

void DrawPicture(Game& g) {
  DisplayState& d = g.display;
  const Rect whole{0, 0, kPictureW, kPictureH};
  if (g.screens.StagePictureShown && g.screens.PreviewSurface.Valid()) {
    BltClipped(g.display, Back(g), d.ScreenRect, kPictureX, kPictureY, g.screens.PreviewSurface, whole, 0);
  } else {
    int window = std::abs(g.app.ListCursor) % 10;
    BltClipped(g.display, Back(g), d.ScreenRect, kPictureX, kPictureY, g.screens.NoStageSurface, NoStageRect(g, window), 0);
  }
  const int l = kPictureX - 1, t = kPictureY - 1, r = kPictureX + kPictureW, b = kPictureY + kPictureH;
  for (auto [x0, y0, x1, y1] : {std::array{l, t, r, t}, std::array{l, b, r, b}, std::array{l, t, l, b},
                                std::array{r, t, r, b}})
    DrawLine(g.display, Back(g), x0, y0, x1, y1, 0x5070C0);
}

void DrawRanking(Game& g, int y) {
  const ScoreRecord& record = g.screens.Record;
  BltStretch(g.display, Back(g), Rect{kPanelLeft, y, kPanelRight, y + 1}, g.screens.SongSelectObjSurface, SeparatorRect(g),
             kBltSourceColorKey);
  y += 6;
  for (int place = 1; place <= 3; ++place) {
    const RankEntry& r = record.Ranking[place - 1];
    if (place > 1 && r.Score == 0) break;
    std::string line = std::to_string(place) + OrdinalSuffix(place) + " ";
    if (r.Score == 0) {
      line += "---";
    } else {
      char figures[64];
      std::snprintf(figures, sizeof figures, "  %.0f  %s", static_cast<double>(r.Score), r.Cleared ? "CLEAR" : "FAILED");
      line += r.Name + figures;
    }
    Text(g, place == 1 ? GdiFont::Bold12 : GdiFont::List1, kPanelLeft, y, line, place == 1 ? kHeadingColor : kTextColor);
    y += place == 1 ? 16 : 13;
  }
  if (record.PlayCount > 0)
    Text(g, GdiFont::List1, kPanelLeft, y + 2, "PLAY COUNT " + std::to_string(record.PlayCount), kLabelColor);
}

// What the panel shows of a chart: the list entry's fields, and under the
// modern rules the header fields a list file does not hold.
struct PanelLines {
  std::string difficulty;  // "" when none is shown
  uint32_t difficulty_rgb = 0;
  std::string sub, artist, figures;
};

PanelLines LinesOf(const Game& g, const SongEntry& e) {
  const ScreensState& s = g.screens;
  PanelLines lines;
  lines.sub = s.TitleSub;
  lines.artist = "ARTIST: " + e.Artist;
  lines.figures = "BPM: " + FormatBpm(e.Bpm) + "   TIME: " + FormatLength(e.LengthMs);
  if (!g.settings.ModernCharts) return lines;
  const DifficultyName d = DifficultyNameOf(e.Difficulty);
  lines.difficulty = d.name;
  lines.difficulty_rgb = d.rgb;
  // A subtitle that repeats the title's own suffix is shown once.
  if (!e.SubTitle.empty() && Trim(e.SubTitle) != Trim(s.TitleSub))
    lines.sub += (lines.sub.empty() || lines.sub.back() == ' ' ? "" : " ") + e.SubTitle;
  if (!e.SubArtist.empty()) lines.artist += "  " + e.SubArtist;
  if (e.NoteCount > 0) lines.figures += "   NOTES: " + std::to_string(e.NoteCount);
  return lines;
}

void DrawSongPanel(Game& g) {
  const SongEntry* e = EntryUnderCursor(g);
  if (!e) return;
  const ScreensState& s = g.screens;
  const PanelLines lines = LinesOf(g, *e);
  DrawPicture(g);
  // Level with its mark and as many stars (up to ten) as fit before the difficulty.
  const std::string level = "★" + std::to_string(e->PlayLevel);
  Text(g, GdiFont::Bold16, kPanelLeft, 194, level, 0xFFD040);
  int star_x = kPanelLeft + GdiTextWidth(g, GdiFont::Bold16, level) + 8;
  int stars_end = kPanelRight;
  if (!lines.difficulty.empty()) {
    const int x = kPanelRight - GdiTextWidth(g, GdiFont::Bold12, lines.difficulty);
    Text(g, GdiFont::Bold12, x, 197, lines.difficulty, lines.difficulty_rgb);
    stars_end = x - 6;
  }
  const int stars = std::min(std::clamp(e->PlayLevel, 0, 10), std::max(0, (stars_end - star_x) / 13));
  for (int i = 0; i < stars; ++i) Part(g, star_x + 13 * i, 197, StarRect(g));
  std::string media;
  if (e->BmpCount > 0) media += "[BGA(" + std::to_string(e->BmpCount) + ")]";
  if (e->WavCount > 0) media += std::string(media.empty() ? "" : " ") + "[WAV(" + std::to_string(e->WavCount) + ")]";
  Text(g, GdiFont::List1, kPanelLeft, 214, media, kLabelColor);
  if (s.MissingSoundsEntry == g.app.ListCursor && s.MissingSounds > 0) {
    const int x = kPanelLeft + GdiTextWidth(g, GdiFont::List1, media) + 6;
    Text(g, GdiFont::List1, x, 214, std::to_string(s.MissingSounds) + " missing", kMissingColor);
  }
  Text(g, GdiFont::Title, kPanelLeft, 228, s.TitleMain, kHeadingColor);
  Text(g, GdiFont::Bold12, kPanelLeft, 257, lines.sub, 0xFFC890);
  Text(g, GdiFont::List1, kPanelLeft, 275, lines.artist, kTextColor);
  Text(g, GdiFont::List1, kPanelLeft, 289, "GENRE: " + e->Genre, kTextColor);
  Text(g, GdiFont::List1, kPanelLeft, 303, lines.figures, kTextColor);
  DrawRanking(g, 320);
}

void DrawJukeboxPanel(Game& g) {
  const SongEntry* e = EntryUnderCursor(g);
  if (!e) return;
  BltStretch(g.display, Back(g), Rect{112, 64, 192, 144}, g.screens.SongSelectObjSurface, IconRect(g, ListIcon::Jukebox),
             kBltSourceColorKey);
  Text(g, GdiFont::Title, kPanelLeft, 228, g.screens.TitleMain, kHeadingColor);
  Text(g, GdiFont::Bold12, kPanelLeft, 257, g.screens.TitleSub, 0xFFC890);
  Text(g, GdiFont::List1, kPanelLeft, 275,
       "JUKEBOX " + std::to_string(g.app.ListCursor + 1) + " / " + std::to_string(EntryCount(g)), kLabelColor);
}

void DrawCoursePanel(Game& g) {
  const ScreensState& s = g.screens;
  if (!s.CourseModeShown) return;
  Text(g, GdiFont::Bold16, kPanelLeft, 44, "[COURSE MODE]", 0xFF9060);
  Text(g, GdiFont::Bold12, kPanelLeft, 66, "TITLE: " + s.CourseNameShown, kHeadingColor);
  const auto& songs = g.chart.CourseSongs;
  const int shown = std::min<int>({static_cast<int>(songs.size()), g.chart.CourseSongCount, 20});
  for (int i = 0; i < shown; ++i)
    Text(g, GdiFont::List1, kPanelLeft + 8, 88 + 14 * i, std::to_string(i + 1) + ". " + songs[i].Title, kTextColor);
}

void DrawOptionIndicators(Game& g) {
  Part(g, kPanelLeft, kOptionsY + 4, CoverTagRect(g, CoverState(g)));
  const bool on[4] = {g.chart.RandomLanes, g.settings.Accel, g.settings.Vexo, g.playopt.BreakOnBad};
  for (int i = 0; i < 4; ++i)
    if (on[i]) Part(g, kPanelLeft + 38 + 24 * i, kOptionsY, OptionIconRect(g, i));
  if (g.playopt.SpShuffle && g.NowMs() % 400 < 300)
    Text(g, GdiFont::List1, kPanelLeft + 136, kOptionsY + 4, "[spShuffle ON]", 0xFF80C0);
  if (g.settings.DEMOMode) Text(g, GdiFont::List1, kPanelLeft + 136, kOptionsY + 18, "[DEMO ON]", 0x80FF80);
}

void DrawInfoPanel(Game& g) {
  const Screen mode = g.app.GameState;
  if (SongMode(mode)) DrawSongPanel(g);
  else if (mode == Screen::JukeboxList) DrawJukeboxPanel(g);
  else DrawCoursePanel(g);
  DrawOptionIndicators(g);
}

// A pending question takes the help box's place until it is answered.
bool DrawQuestion(Game& g) {
  const std::string question = QuestionLine(g);
  if (question.empty()) return false;
  Rect box{kListLeft, kHelpTop, kListRight, kHelpBottom};
  FillSurface(g.display, Back(g), &box, 0x5A1020);
  DrawLine(g.display, Back(g), kListLeft, kHelpTop, kListRight - 1, kHelpTop, 0xFF8080);
  Text(g, GdiFont::Bold12, kListLeft + 6, kHelpTop + (kHelpBottom - kHelpTop - GdiFontHeight(g, GdiFont::Bold12)) / 2,
       question, 0xFFFFFF, kListRight);
  return true;
}

// While a search is open or narrows the list, its text takes the first line.
std::string SearchLine(const Game& g) {
  const ScreensState& s = g.screens;
  const Texts& t = TextsOf(g);
  const std::string found = " (" + std::to_string(g.library.SongList.size()) + "/" +
                            std::to_string(s.SearchBase.size()) + ")  ";
  if (s.Searching) return t.search_label + s.SearchText + "_" + found + t.search_keys_typing;
  return t.search_label + s.SearchText + found + t.search_keys_kept;
}

void DrawHelpLines(Game& g) {
  if (DrawQuestion(g)) return;
  const auto lines = HelpLines(TextsOf(g), g.app.GameState);
  if (lines[0].empty()) return;
  Rect box{kListLeft, kHelpTop, kListRight, kHelpBottom};
  FillSurface(g.display, Back(g), &box, 0x0C1230);
  DrawLine(g.display, Back(g), kListLeft, kHelpTop, kListRight - 1, kHelpTop, 0x5070C0);
  const bool search = g.app.GameState == Screen::SongList && (g.screens.Searching || g.screens.SearchFiltered);
  if (search) Text(g, GdiFont::Status, kListLeft + 6, kHelpTop + 3, SearchLine(g), 0xFFE080, kListRight);
  else Text(g, GdiFont::Status, kListLeft + 6, kHelpTop + 3, lines[0], 0xC8D0E8, kListRight);
  Text(g, GdiFont::Status, kListLeft + 6, kHelpTop + 16, lines[1], 0xC8D0E8, kListRight);
  // Right-aligned on the second row, when it fits beside the screen's own keys.
  const std::string extra = ExtraHelpKeys(TextsOf(g), g.app.GameState);
  const int extraWidth = extra.empty() ? 0 : GdiTextWidth(g, GdiFont::Status, extra);
  const int x = kListRight - 4 - extraWidth;
  if (extraWidth > 0 && x >= kListLeft + 6 + GdiTextWidth(g, GdiFont::Status, lines[1]) + 8)
    Text(g, GdiFont::Status, x, kHelpTop + 16, extra, 0xC8D0E8, kListRight);
}

// The heading, and at the right of the title bar the song list's sort; the
// heading is cut short of it.
void DrawHeading(Game& g) {
  const std::string sort = SortLabel(g);
  int heading_right = kListRight;
  if (!sort.empty()) {
    const int x = kListRight - GdiTextWidth(g, GdiFont::Bold12, sort);
    Text(g, GdiFont::Bold12, x, kHeadingY + 3, sort, kLabelColor, kListRight);
    heading_right = x - 10;
  }
  Text(g, GdiFont::Bold16, kHeadingX, kHeadingY, Heading(g), kHeadingColor, heading_right);
}

void DrawFrontFade(Game& g) {
  const ScreensState& s = g.screens;
  if (s.FrontFadeState == 0) return;
  const int32_t elapsed = static_cast<int32_t>(g.NowMs() - s.FrontFadeStart);
  DarkenSurface(g.display, Back(g), 100 - elapsed / 2);
}

}  // namespace

void DrawList(Game& g) {
  // The course editor asks for a slot's chart from the jukebox list.
  if (g.app.GameState == Screen::CourseSongChoice) ShowJukeboxList(g);
  AdvanceListAnimations(g);
  RunClearCheck(g);
  if (!CheckDisplay(g)) return;  // it waits a little itself while the display is away
  DisplayState& d = g.display;
  const bool grey = g.app.GameState == Screen::CourseList && g.screens.SongSelectBgGreySurface.Valid();
  Surface& background = grey ? g.screens.SongSelectBgGreySurface : g.screens.SongSelectBgSurface;
  if (background.Valid()) BltClipped(g.display, Back(g), d.ScreenRect, 0, 0, background, d.ScreenRect, 0);
  else FillSurface(g.display, Back(g), nullptr, 0x000000);
  DrawHeading(g);
  DrawEntries(g);
  DrawInfoPanel(g);
  DrawHelpLines(g);
  DrawNetPlayersPanel(g);
  DrawFrontFade(g);
  PresentFrame(g, false);
}

}  // namespace kvx
