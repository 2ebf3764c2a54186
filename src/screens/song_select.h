#pragma once
// The song select screen: the jukebox list, the song list of the open jukebox
// and the course list, with cursor moves, sorts, play options, the preview of
// the chart under the cursor and the fade into play.
#include <cstdint>
#include <string>

#include "app/timers.h"

#include "screens/song_preview.h"
#include "screens/song_sort.h"

namespace kvx {

struct Game;

// The colour of the titles of cleared entries in the list (0xRRGGBB).
inline constexpr uint32_t kClearedTextColor = 0xFFD860;

// The screen as the main loop starts on it: the list's opening animation and
// the entry under the cursor.
void OpenSongSelect(Game& game);
// A button pressed on song select (GameState 0, 6, 7 or 8).
void ProcessKey_SongSelect(Game& game, int16_t& code);
// Draws and presents one frame of the screen.
void DrawList(Game& game);
// Applies a cursor change: wraps the cursor, splits the title, loads the
// record and restarts the preview timer.
void chexec(Game& game);
// Moves the cursor by n entries (negative: up) and applies the change.
void MoveListCursorBy(Game& game, int n);
// The list has stopped scrolling: the stage picture of the entry is loaded.
void ListStopped(Game& game);
// Runs when the fade into play has ended: plays the entry under the cursor
// (or, in shuffle play, random entries until the player stops).
void FadeEndSubject(Game& game);
// Restarts the list's opening animation (entering a list).
void RestartOpeningAnimation(Game& game);
// Starts the front-end fade: the screen brightens from black over 200 ms.
void StartFrontFade(Game& game, uint8_t state);

// Type-to-search on the song list (song_select_search.cpp).
// F6: opens the search field over the opened jukebox's list.
void OpenSongSearch(Game& game);
// Text typed while the field is open (UTF-8; 8 removes a character); the
// list narrows to the matching entries at once.
void TypeIntoSongSearch(Game& game, const std::string& text);
// Whether a key went to the search (Escape clears it, Enter closes the field
// keeping the list, keys that type are not the list's).
bool SongSearchTakesKey(Game& game, int16_t code);
// Escape: the whole list comes back and the field closes.
void ClearSongSearch(Game& game);
// Leaving the song list: the search is forgotten with the list.
void ForgetSongSearch(Game& game);

}  // namespace kvx
