#include "library/jukebox.h"

#include "app/game.h"

namespace kvx {

int UpdateJukeList(Game& g) {
  DebugLog(g, "UpdateJukeList (stub)");
  return 1;
}
void JukeReady(Game& g) { DebugLog(g, "JukeReady (stub)"); }
void LoadListFile(Game& g, const std::string& path, bool quiet) { DebugLog(g, "LoadListFile (stub)"); }
void PlayListEntry(Game& g, int index) { DebugLog(g, "PlayListEntry (stub)"); }
void DropFile(Game& g, const std::string& path) {}

}  // namespace kvx
