#pragma once
// The jukebox list screen: showing it, opening a jukebox, playing a list entry
// and a file dropped on the window.
#include <string>

namespace kvx {

struct Game;

// Shows the jukebox list: SongList becomes a copy of JukeList and the cursor
// returns to the jukebox last opened.
void JukeReady(Game& game);
// Loads the jukebox under ListCursor into SongList; an empty jukebox ends the
// program. The caller (song select) then shows the list or starts shuffle play.
void OpenJukebox(Game& game);
// Loads and plays the entry of SongList at that index directly.
void PlayListEntry(Game& game, int index);
// A file dropped on the game window: a ".bpd" record of play, a ".kbl" list
// played from its first entry, or a chart played at once.
void DropFile(Game& game, const std::string& path);

}  // namespace kvx
