// A plain song list: the entries around the cursor, up/down to choose,
// Enter to play, Escape to quit.
#include "screens/song_select.h"

#include <algorithm>

#include "app/game.h"
#include "app/main_loop.h"
#include "library/jukebox.h"
#include "chart/ready_bms.h"
#include "media/display.h"
#include "media/input.h"
#include "media/sound.h"
#include "play/play_loop.h"

namespace kvx {

namespace {

constexpr int kVisibleRows = 21;
constexpr int kRowHeight = 18;

int EntryCount(const Game& g) { return static_cast<int>(g.library.SongList.size()); }

// Opens the jukebox under the cursor and shows its songs.
void OpenSongList(Game& g) {
  OpenJukebox(g);
  PlaySE(g, kSeFade, false);
  chexec(g);
}

}  // namespace

void StartPreviewTimer(Game& g) {
  g.pump.SetTimer(kPreviewTimerId, static_cast<uint32_t>(std::max(1, g.settings.PreviewDelay)),
                  [&g] { PreviewTimerFired(g); });
}

void chexec(Game& g) {
  g.play.QuitPlay = true;  // ends a running preview
  PlaySE(g, kSeSongChange, false);
  StartPreviewTimer(g);
}

void MoveListCursorBy(Game& g, int n) {
  int count = EntryCount(g);
  if (count == 0 || n == 0) return;
  g.app.ListCursor = ((g.app.ListCursor + n) % count + count) % count;
  g.screens.ScrollOffset += static_cast<float>(n);
  chexec(g);
}

void ListStopped(Game& g) {}

void FadeEndSubject(Game& g) {
  g.chart.BackgroundPreview = false;
  Screen state = g.app.GameState;
  ReadyBMS(g);
  if (!g.chart.LoadCancel) StartPlay(g);
  g.app.GameState = state;
  if (state == Screen::JukeboxList) JukeReady(g);
  PlaySE(g, kSeFade, false);
  PlaySE(g, kSeSelect, true);
}

void ProcessKey_SongSelect(Game& g, int16_t& code) {
  if (code == 1) CloseGameWindow(g);
  if (code > 255) {
    code = ssKeyCvt_Joy(g, code);
    if (code == 0) return;
  }
  switch (code) {
    case 200: MoveListCursorBy(g, -1); break;
    case 208: MoveListCursorBy(g, 1); break;
    case 201: MoveListCursorBy(g, -10); break;
    case 209: MoveListCursorBy(g, 10); break;
    case 205:
      if (g.app.GameState == Screen::JukeboxList) OpenSongList(g);
      break;
    case 203:
      if (g.app.GameState == Screen::SongList) JukeReady(g);
      break;
    case 28:
      if (EntryCount(g) == 0) break;
      if (g.app.GameState == Screen::JukeboxList) {
        OpenSongList(g);
        break;
      }
      g.pump.KillTimer(kPreviewTimerId);
      StopPreview(g);
      StopSE(g, kSeSelect);
      PlaySE(g, kSeDecide, false);
      FadeEndSubject(g);
      break;
    default: break;
  }
}

void DrawList(Game& g) {
  if (g.app.GameState == Screen::CourseSongChoice) JukeReady(g);
  g.screens.ScrollOffset *= 0.8f;
  if (std::abs(g.screens.ScrollOffset) < 0.01f) g.screens.ScrollOffset = 0;
  if (!CheckDisplay(g)) {
    PresentFrame(g, false);
    return;
  }
  Surface& back = g.display.BackSurface;
  FillSurface(g, back, nullptr, 0x000000);
  if (g.screens.SongSelectBgSurface.Valid()) {
    Rect whole{0, 0, 640, 480};
    BltClipped(g, back, whole, 0, 0, g.screens.SongSelectBgSurface, whole, 0);
  }
  const bool jukeboxes = g.app.GameState == Screen::JukeboxList;
  DrawGdiText(g, back, GdiFont::Bold16, 24, 16, jukeboxes ? "SELECT JUKEBOX" : g.screens.JukeboxName, 0xFFFFFF);
  int count = EntryCount(g);
  if (count == 0) DrawGdiText(g, back, GdiFont::List1, 40, 220, "No charts found in the search folders.", 0xFFC0C0);
  int cursor = g.app.ListCursor;
  for (int row = 0; row < kVisibleRows && count > 0; ++row) {
    int index = cursor + row - kVisibleRows / 2;
    if (count < kVisibleRows && (index < 0 || index >= count)) continue;
    index = ((index % count) + count) % count;
    const SongEntry& e = g.library.SongList[index];
    int y = 50 + row * kRowHeight + static_cast<int>(g.screens.ScrollOffset * kRowHeight);
    bool selected = index == cursor;
    if (selected) {
      Rect bar{16, y - 2, 624, y + kRowHeight - 2};
      FillSurface(g, back, &bar, 0x30407A);
    }
    std::string text = "☆" + std::to_string(e.PlayLevel) + "  " + e.Title;
    DrawGdiText(g, back, selected ? GdiFont::Bold12 : GdiFont::List1, 28, y, text, selected ? 0xFFFFA0 : 0xE0E0F0);
  }
  // The help lines end above the message line (y 465 and below).
  DrawGdiText(g, back, GdiFont::Status, 16, 432, "[ESC]:終了", 0xC0C0C0);
  DrawGdiText(g, back, GdiFont::Status, 16, 446, "[↑/↓/PageUP/PageDN]:選択 [Enter]:決定", 0xC0C0C0);
  PresentFrame(g, false);
}

}  // namespace kvx
