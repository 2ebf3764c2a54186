#include "media/skin.h"

#include "app/game.h"

namespace kvx {

void LoadRectData(Game& g, const std::string& path) { DebugLog(g, "LoadRectData (stub)"); }
void UpdateSkinList(Game& g) { DebugLog(g, "UpdateSkinList (stub)"); }

}  // namespace kvx
