#pragma once
// The skin definition file and the skin list.
#include <string>

namespace kvx {

struct Game;

struct SkinLayout {};

void LoadRectData(Game& game, const std::string& path);
void UpdateSkinList(Game& game);

}  // namespace kvx
