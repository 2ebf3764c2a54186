// Type-to-search on the song list: F6 opens the field, typed text narrows the
// list of the opened jukebox at every character, Enter keeps the narrowed
// list and closes the field, Escape brings the whole list back.
#include <algorithm>

#include "app/game.h"
#include "library/song_filter.h"
#include "platform/text.h"
#include "screens/song_select.h"
#include "screens/song_select_internal.h"

namespace kvx {

namespace {

void ShowList(Game& g, std::vector<SongEntry> list) {
  LibraryState& l = g.library;
  l.SongList = std::move(list);
  l.SongListLast = static_cast<int32_t>(l.SongList.size()) - 1;
  l.SongMarks.assign(l.SongList.size(), false);
  g.app.ListCursor = 0;
  g.screens.ScrollOffset = 0.5f;
  g.screens.ClearCheckIndex = 0;
  ApplySelection(g);
}

void Narrow(Game& g) {
  ScreensState& s = g.screens;
  s.SearchFiltered = true;
  ShowList(g, FilterSongs(s.SearchBase, s.SearchText));
}

// Removes the last character (a whole UTF-8 sequence).
void DropLastCharacter(std::string& text) {
  while (!text.empty()) {
    const unsigned char last = static_cast<unsigned char>(text.back());
    text.pop_back();
    if ((last & 0xC0) != 0x80) break;
  }
}

}  // namespace

void OpenSongSearch(Game& g) {
  ScreensState& s = g.screens;
  if (g.app.GameState != Screen::SongList || s.Searching) return;
  if (!s.SearchFiltered) s.SearchBase = g.library.SongList;
  s.Searching = true;
}

void ClearSongSearch(Game& g) {
  ScreensState& s = g.screens;
  const bool restore = s.SearchFiltered && g.app.GameState == Screen::SongList;
  s.Searching = s.SearchFiltered = false;
  s.SearchText.clear();
  if (restore) ShowList(g, std::move(s.SearchBase));
  s.SearchBase.clear();
}

void ForgetSongSearch(Game& g) {
  ScreensState& s = g.screens;
  s.Searching = s.SearchFiltered = false;
  s.SearchText.clear();
  s.SearchBase.clear();
}

bool SongSearchTakesKey(Game& g, int16_t code) {
  ScreensState& s = g.screens;
  if (g.app.GameState != Screen::SongList) return false;
  constexpr int16_t kEscape = 1, kEnter = 28;
  if (code == kEscape && (s.Searching || s.SearchFiltered)) {
    ClearSongSearch(g);
    return true;
  }
  if (!s.Searching) return false;
  if (code == kEnter) {
    s.Searching = false;
    return true;
  }
  // Arrows and pages still move the cursor; other keys type.
  constexpr int16_t kMoves[] = {200, 201, 208, 209};
  return std::find(std::begin(kMoves), std::end(kMoves), code) == std::end(kMoves);
}

void TypeIntoSongSearch(Game& g, const std::string& text) {
  ScreensState& s = g.screens;
  if (!s.Searching || g.app.GameState != Screen::SongList) return;
  const std::string before = s.SearchText;
  for (unsigned char ch : text) {
    if (ch == 8) DropLastCharacter(s.SearchText);
    else if (ch >= 0x20 && ch != 0x7F && s.SearchText.size() < 64) s.SearchText.push_back(static_cast<char>(ch));
  }
  if (!IsValidUtf8(s.SearchText)) s.SearchText = ReplaceInvalidUtf8(s.SearchText);
  if (s.SearchText != before) Narrow(g);
}

}  // namespace kvx
