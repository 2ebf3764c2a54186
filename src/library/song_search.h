#pragma once
// The chart search and the song list it fills.
#include <string>

namespace kvx {

struct Game;

bool MakeBMSListFile(Game& game, bool flag);
void ClearSongList(Game& game);
void AddSongFile(Game& game, const std::string& path);

}  // namespace kvx
