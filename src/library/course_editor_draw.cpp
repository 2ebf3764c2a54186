// One frame of the course editor.
#include <algorithm>
#include <cstdio>

#include "app/game.h"
#include "app/texts.h"
#include "library/courses.h"
#include "media/display.h"
#include "platform/text.h"

namespace kvx {

namespace {

constexpr uint32_t kTitleColor = 0xFFFFFF;
constexpr uint32_t kTextColor = 0xD8E0FF;
constexpr uint32_t kCursorColor = 0xFFE070;
constexpr uint32_t kArtistColor = 0xA8B4D8;
constexpr uint32_t kHelpColor = 0xC0C0C0;
constexpr int kArtistX = 330;
constexpr int kColumnGap = 8;  // space kept between a cut title and the artist column

void Text(Game& g, int x, int y, const std::string& text, uint32_t rgb) {
  DrawGdiText(g, g.display.BackSurface, GdiFont::Window, x, y, text, rgb);
}

// The longest beginning of `text` that fits in `width` pixels.
std::string CutToWidth(Game& g, const std::string& text, int width) {
  if (GdiTextWidth(g, GdiFont::Window, text) <= width) return text;
  size_t n = Utf8Length(text);
  while (n > 0 && GdiTextWidth(g, GdiFont::Window, Utf8Left(text, n)) > width) --n;
  return Utf8Left(text, n);
}

std::string SlotLabel(Game& g, int slot, const SongEntry& song) {
  char number[16];
  std::snprintf(number, sizeof number, "%03d. ", slot + 1);
  const std::string prefix = std::string(number) + "[" + std::to_string(song.PlayLevel) + "] ";
  const int room = kArtistX - kColumnGap - 30 - GdiTextWidth(g, GdiFont::Window, prefix);
  return prefix + CutToWidth(g, song.Title, std::max(0, room));
}

const char* HelpLine(const Texts& t, const CourseState& c, bool typing) {
  if (c.EditCursor == -2) return typing ? t.editor_help_name_typing : t.editor_help_name;
  if (c.EditCursor == -1) return t.editor_help_stars;
  if (c.EditCursor < c.EditSongCount) return t.editor_help_song;
  return t.editor_help_add;
}

}  // namespace

void mEditCourse(Game& g) {
  CourseState& c = g.course;
  c.EditCursor = std::clamp<int32_t>(c.EditCursor, -2, c.EditSongCount);
  if (!CheckDisplay(g)) {
    PresentFrame(g, false);
    return;
  }
  const uint32_t now = g.NowMs();
  KeepAnimating(g);  // the title moves and the cursor's row blinks
  const bool typing = g.app.GameState == Screen::CourseNameEntry;
  const bool cursor_shown = now % 500 > 100;  // the row under the cursor blinks
  auto shown = [&](int32_t row) { return row != c.EditCursor || cursor_shown; };
  auto color = [&](int32_t row) { return row == c.EditCursor ? kCursorColor : kTextColor; };
  FillSurface(g.display, g.display.BackSurface, nullptr, 0x000000);
  const Texts& t = TextsOf(g);

  Text(g, 0, 10, t.editor_title, kTitleColor);
  Text(g, 400 + static_cast<int>((now / 100) % 4), 10, t.editor_keys, kTitleColor);

  const int name_x = 30 + GdiTextWidth(g, GdiFont::Window, t.editor_course_name);
  if (shown(-2)) Text(g, 30, 30, t.editor_course_name, color(-2));
  Text(g, name_x, 30, c.CourseName + (typing && now % 1000 >= 501 ? "_" : ""), color(-2));
  const int stars_x = 30 + GdiTextWidth(g, GdiFont::Window, t.editor_stars);
  if (shown(-1)) Text(g, 30, 45, t.editor_stars, color(-1));
  Text(g, stars_x, 45, std::string(c.EditStars, '*'), color(-1));

  const auto& songs = g.chart.CourseSongs;
  for (int slot = 0; slot < c.EditSongCount; ++slot) {
    const SongEntry empty;
    const SongEntry& song = static_cast<size_t>(slot) < songs.size() ? songs[slot] : empty;
    const int y = 90 + 15 * slot;
    if (y > 480) break;
    if (shown(slot)) Text(g, 30, y, SlotLabel(g, slot, song), color(slot));
    Text(g, kArtistX, y, "/ " + song.Artist, slot == c.EditCursor ? kCursorColor : kArtistColor);
  }
  if (shown(c.EditSongCount))
    Text(g, 30, 90 + 15 * c.EditSongCount, t.editor_add_song, color(c.EditSongCount));

  Text(g, 10, 60 + 15 * c.EditCursor + (c.EditCursor >= 0 ? 30 : 0), ">>", kCursorColor);
  Text(g, 0, 430, HelpLine(t, c, typing), kHelpColor);
  PresentFrame(g, false);
}

}  // namespace kvx
