#pragma once
// Jukeboxes: the list files of the song library.
#include <string>

namespace kvx {

struct Game;

// Rebuilds the jukebox list; returns how many list files it found.
int UpdateJukeList(Game& game);
void JukeReady(Game& game);
void LoadListFile(Game& game, const std::string& path, bool quiet);
void PlayListEntry(Game& game, int index);

}  // namespace kvx
