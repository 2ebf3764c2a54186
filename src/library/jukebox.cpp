#include "library/jukebox.h"

#include "app/game.h"
#include "library/bms_search.h"
#include "library/song_search.h"
#include "media/sound.h"
#include "media/surface.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kvx {

namespace {

// The jukebox entry of a list file: its name without the extension, its path,
// and the defaults of an entry whose header holds no chart command.
void AddJukeboxEntry(Game& g, const std::string& path) {
  LibraryState& l = g.library;
  SongEntry e;
  std::string name = FileNameOf(path);
  if (const size_t dot = name.find_last_of('.'); dot != std::string::npos) name.resize(dot);
  e.Title = std::move(name);
  e.FilePath = path;
  e.Player = 1;
  e.PlayLevel = 3;
  e.Rank = 2;
  l.SongList.push_back(std::move(e));
  l.SongListLast = static_cast<int32_t>(l.SongList.size()) - 1;
  ShowListProgress(g);
}

}  // namespace

int UpdateJukeList(Game& g) {
  LibraryState& l = g.library;
  DebugLog(g, "[UpdateJukeList]", +1);
  ClearSongList(g);
  l.FoundFiles.clear();
  std::string folder = g.paths.In("jukelist/");
  SearchFolderTree(g, folder, "*.kbl", true);
  for (const std::string& path : l.FoundFiles) AddJukeboxEntry(g, path);
  l.JukeList = l.SongList;
  l.JukeListLast = l.SongListLast;
  DebugLog(g, std::to_string(l.JukeListLast + 1) + " juke(s) has detected.", -1);
  return l.JukeListLast + 1;
}

}  // namespace kvx
