#include "library/jukebox.h"

#include <algorithm>
#include <filesystem>

#include "app/game.h"
#include "library/song_search.h"
#include "platform/files.h"
#include "platform/text.h"
#include "screens/song_select.h"

namespace kvx {

namespace fs = std::filesystem;

std::vector<std::string> ReadSearchFolders(Game& g) {
  std::vector<std::string> folders;
  auto text = ReadTextFile(g.paths.data + "/kvx_searchdir.txt");
  if (!text) return folders;
  for (std::string line : SplitLines(DecodeText(*text))) {
    line = Trim(line);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    for (size_t at; (at = ToUpperAscii(line).find("<CURRENTDIR>")) != std::string::npos;)
      line.replace(at, 12, g.paths.program);
    folders.push_back(NormalizeSeparators(line));
  }
  return folders;
}

std::vector<std::string> FindChartFiles(const std::string& folder, bool modernCharts) {
  std::vector<std::string> files;
  std::error_code ec;
  constexpr int kMaxDepth = 8;  // a loop of links must not walk forever
  for (fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    if (it.depth() > kMaxDepth) {
      it.disable_recursion_pending();
      continue;
    }
    std::string name = it->path().string();
    if (it->is_regular_file(ec) && IsChartFileName(name, modernCharts))
      files.push_back(name);
  }
  std::sort(files.begin(), files.end());
  return files;
}

int UpdateJukeList(Game& g) {
  // The list files arrive with the song library; until then every start
  // lists the charts of the search folders directly (JukeReady).
  return 1;
}

void JukeReady(Game& g) {
  if (g.library.SongList.empty()) {
    DebugLog(g, "[JukeReady] listing charts of the search folders", +1);
    ClearSongList(g);
    for (const auto& folder : ReadSearchFolders(g))
      for (const auto& file : FindChartFiles(folder, g.settings.ModernCharts)) AddSongFile(g, file);
    DebugLog(g, std::to_string(g.library.SongList.size()) + " chart(s) found", -1);
  }
  g.screens.JukeboxName = "ALL SONGS";
  g.app.GameState = Screen::SongList;
  if (g.app.ListCursor >= static_cast<int>(g.library.SongList.size())) g.app.ListCursor = 0;
}

void LoadListFile(Game& g, const std::string& path, bool quiet) {
  DebugLog(g, "LoadListFile: list files are not supported yet: " + path);
}

void PlayListEntry(Game& g, int index) {
  if (index < 0 || index >= static_cast<int>(g.library.SongList.size())) return;
  g.play.QuitPlay = true;
  g.app.ListCursor = index;
  FadeEndSubject(g);
}

void DropFile(Game& g, const std::string& path) {
  if (EndsWithNoCase(path, ".BPD")) {
    DebugLog(g, "record files are not supported yet: " + path);
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
