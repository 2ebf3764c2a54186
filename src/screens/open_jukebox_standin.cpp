// Stand-in for OpenJukebox until the song library's own definition is linked
// (a weak symbol: the library's definition replaces it). The stand-in
// JukeReady of the library lists the charts themselves; opening one of them
// shows that list as the song list.
#include "app/game.h"
#include "app/main_loop.h"
#include "library/jukebox.h"
#include "library/song_search.h"
#include "platform/files.h"
#include "platform/text.h"
#include "screens/song_preview.h"

namespace kvx {

__attribute__((weak)) void OpenJukebox(Game& g) {
  if (g.app.ListCursor < 0 || g.app.ListCursor >= static_cast<int>(g.library.SongList.size())) return;
  const std::string path = g.library.SongList[g.app.ListCursor].FilePath;
  g.library.SavedJukeCursor = g.app.ListCursor;
  StopSongPreview(g);
  if (EndsWithNoCase(path, ".kbl") || EndsWithNoCase(path, ".kpl")) {
    g.screens.JukeboxName = FileNameOf(path);
    ClearSongList(g);
    LoadListFile(g, path, true);
    if (g.library.SongList.empty()) CloseGameWindow(g);
  }
  g.app.GameState = Screen::SongList;
  g.app.ListCursor = 0;
}

}  // namespace kvx
