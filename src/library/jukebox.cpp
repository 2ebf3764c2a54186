#include "library/jukebox.h"

#include "app/game.h"
#include "app/main_loop.h"
#include "chart/ready_bms.h"
#include "library/bms_search.h"
#include "library/song_search.h"
#include "media/sound.h"
#include "media/surface.h"
#include "platform/files.h"
#include "platform/text.h"
#include "screens/score_record.h"
#include "screens/song_select.h"

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

void JukeReady(Game& g) {
  LibraryState& l = g.library;
  DebugLog(g, "[Load JukeList]");
  g.app.GameState = Screen::JukeboxList;
  ClearSongList(g);
  l.SongList = l.JukeList;
  l.SongListLast = l.JukeListLast;
  l.SongMarks.assign(l.SongList.size(), false);
  // The list may have changed since the cursor was saved.
  const bool inside = l.SavedJukeCursor >= 0 && l.SavedJukeCursor <= l.SongListLast;
  g.app.ListCursor = inside ? l.SavedJukeCursor : 0;
  ReleaseSurface(g.display.StageImageSurface);
  g.play.QuitPlay = true;
  PlaySE(g.sound, kSeFade, false);
}

void OpenJukebox(Game& g) {
  LibraryState& l = g.library;
  const int32_t cursor = g.app.ListCursor;
  if (cursor < 0 || cursor > l.SongListLast) return;  // no jukebox under the cursor
  const std::string path = l.SongList[cursor].FilePath;
  l.SavedJukeCursor = cursor;
  g.screens.JukeboxName = FileNameOf(path);
  ClearSongList(g);
  if (LoadListFile(g, path, true) == ListFileRead::Damaged) {
    // Set aside: back on the jukebox list, which no longer shows it.
    UpdateJukeList(g);
    JukeReady(g);
    return;
  }
  g.pump.KillTimer(kPreviewTimerId);
  if (l.SongList.empty()) {
    DebugLog(g, "# jukebox " + g.screens.JukeboxName + " holds no song.");
    CloseGameWindow(g);
  }
  g.app.GameState = Screen::SongList;
  g.app.ListCursor = 0;
}

void PlayListEntry(Game& g, int index) {
  g.play.QuitPlay = true;
  if (index < 0 || index > g.library.SongListLast) {
    DebugLog(g, "error: Subscript out of range");
    return;
  }
  g.app.ListCursor = index;
  // The list played here holds charts: started on the course list, its entry
  // plays as a chart (not a course) and the program comes back to the jukebox
  // list, as after a chart from the command line.
  if (g.app.GameState == Screen::CourseList) {
    g.app.GameState = Screen::JukeboxList;
    g.screens.CourseModeShown = false;
  }
  FadeEndSubject(g);
}

void DropFile(Game& g, const std::string& path) {
  // Only a list screen takes a dropped file: a play started from a drop in the
  // middle of another play or a result would run inside it.
  const Screen screen = g.app.GameState;
  if (screen != Screen::SongList && screen != Screen::JukeboxList && screen != Screen::CourseList) {
    DebugLog(g, "# dropped file ignored while not on a list: " + path);
    return;
  }
  if (EndsWithNoCase(path, ".BPD")) {
    ReadRecordOfPlay(g, path);
  } else if (EndsWithNoCase(path, ".KBL")) {
    LoadListFile(g, path, false);
    PlayListEntry(g, 0);
  } else {
    ClearSongList(g);
    AddSongFile(g, path);
    PlayListEntry(g, 0);
  }
}

}  // namespace kvx
