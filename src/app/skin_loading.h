#pragma once
// Loading a skin into the game: the skin reader of media/ plus what the rest
// of the game keeps of it (the brd setting, the background window, surfaces).
#include <string>

namespace kvx {

struct Game;

// Reads a skin file into g.skin (and the bitmap font into g.display), loads
// its image into SkinSurface and recreates the surfaces. A missing file
// changes nothing but the brd setting.
void LoadRectData(Game& game, const std::string& path);

}  // namespace kvx
