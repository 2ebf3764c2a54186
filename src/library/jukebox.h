#pragma once
// Jukeboxes: the list files of the song library (the jukebox list screen is
// screens/jukebox_list.h).
#include <string>

namespace kvx {

struct Game;

// Rebuilds JukeList from the list files of "_kvxfiles/jukelist" (and its
// direct subfolders, or the whole tree with NoDepthLimit); returns how many it
// found. SongList keeps the jukebox entries.
int UpdateJukeList(Game& game);
// Replaces SongList by the records of a list file (list_file.h).
// What LoadListFile found: the list, no file, or a file whose header is not a
// list file's (set aside when it is one of the jukeboxes; refused otherwise).
enum class ListFileRead { Read, Missing, Damaged };
ListFileRead LoadListFile(Game& game, const std::string& path, bool quiet);
// Writes SongList to a list file, never shortening it.
bool SaveListFile(Game& game, const std::string& path, bool quiet);

}  // namespace kvx
