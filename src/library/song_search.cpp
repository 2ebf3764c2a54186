#include "library/song_search.h"

#include "app/game.h"

namespace kvx {

bool MakeBMSListFile(Game& g, bool flag) {
  DebugLog(g, "MakeBMSListFile (stub)");
  return true;
}
void ClearSongList(Game& g) { DebugLog(g, "ClearSongList (stub)"); }
void AddSongFile(Game& g, const std::string& path) { DebugLog(g, "AddSongFile (stub)"); }

}  // namespace kvx
