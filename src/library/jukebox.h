#pragma once
// Jukeboxes: the list files of the song library, playing list entries and
// dropped files.
#include <string>

namespace kvx {

struct Game;

// Rebuilds JukeList from the list files of "_kvxfiles/jukelist" (and its
// direct subfolders, or the whole tree with NoDepthLimit); returns how many it
// found. SongList keeps the jukebox entries.
int UpdateJukeList(Game& game);
// Shows the jukebox list: SongList becomes a copy of JukeList and the cursor
// returns to the jukebox last opened.
void JukeReady(Game& game);
// Replaces SongList by the records of a list file (list_file.h).
// What LoadListFile found: the list, no file, or a file whose header is not a
// list file's (set aside when it is one of the jukeboxes; refused otherwise).
enum class ListFileRead { Read, Missing, Damaged };
ListFileRead LoadListFile(Game& game, const std::string& path, bool quiet);
// Writes SongList to a list file, never shortening it.
bool SaveListFile(Game& game, const std::string& path, bool quiet);
// Loads the jukebox under ListCursor into SongList; an empty jukebox ends the
// program. The caller (song select) then shows the list or starts shuffle play.
void OpenJukebox(Game& game);
// Loads and plays the entry of SongList at that index directly.
void PlayListEntry(Game& game, int index);
// A file dropped on the game window: a ".bpd" record of play, a ".kbl" list
// played from its first entry, or a chart played at once.
void DropFile(Game& game, const std::string& path);

}  // namespace kvx
