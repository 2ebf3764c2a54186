#include "menu/menu_search.h"

#include <algorithm>

#include "app/game.h"
#include "app/texts.h"
#include "library/bms_search.h"
#include "library/song_search.h"
#include "menu/startup_menu.h"
#include "platform/text.h"

namespace kvx {

void OpenSearchPanel(Game& g) {
  MenuState& m = g.menu;
  if (m.search_panel_open) return;
  m.search_panel_open = true;
  m.folders = LoadSearchFolderList(g);
  m.status.clear();
}

void AddChosenFolder(Game& g, const std::string& folder) {
  MenuState& m = g.menu;
  switch (AddSearchFolder(m.folders, folder, g.paths.program)) {
    case AddFolderResult::Added: m.status.clear(); break;
    case AddFolderResult::Duplicate:
      m.status = TextWith(TextsOf(g).search_already_listed, ReplaceInvalidUtf8(folder));
      break;
    case AddFolderResult::Unusable:
      m.status = TextWith(TextsOf(g).search_unstorable, ReplaceInvalidUtf8(folder));
      break;
  }
}

void DropOnFolderList(Game& g, const std::string& path) {
  if (g.menu.busy) return;
  OpenSearchPanel(g);
  AddChosenFolder(g, FolderOfDroppedPath(path));
}

void RemoveSelectedSearchFolder(Game& g) { RemoveSelectedFolder(g.menu.folders); }

const SearchFolderResult* SearchResultOf(const Game& g, const SearchFolderEntry& entry) {
  if (!g.menu.progress.ran || g.menu.busy || !entry.checked) return nullptr;
  const std::string key = FolderCompareKey(entry.folder, g.paths.program);
  for (const SearchFolderResult& r : g.library.SearchResults)
    if (FolderCompareKey(r.folder, g.paths.program) == key) return &r;
  return nullptr;
}

std::string SearchResultMark(const SearchFolderResult& result, const Texts& t) {
  if (!result.exists) return t.search_mark_missing;
  if (result.charts == 0) return t.search_mark_empty;
  return CountText(t.search_charts, result.charts);
}

std::string SearchSummaryLine(const Game& g, const Texts& t) {
  using Outcome = MenuState::SearchOutcome;
  const Outcome outcome = g.menu.search_outcome;
  const char* line = outcome == Outcome::NoCharts  ? t.search_done_no_charts
                     : outcome == Outcome::Unsaved ? t.search_done_unsaved
                                                   : t.search_done;
  return TextWith(line, SearchSummary(g.library.SearchResults, t));
}

bool StartMenuSearch(Game& g) {
  MenuState& m = g.menu;
  if (m.busy) return false;
  if (!SaveSearchFolderList(g, m.folders)) {
    DebugLog(g, "# the search folder file could not be written: " + SearchFolderFilePath(g));
    m.status = TextWith(TextsOf(g).search_list_unsaved, ReplaceInvalidUtf8(SearchFolderFilePath(g)));
  }
  return RunChartSearch(g, m.chkNoLimit);
}

bool RunChartSearch(Game& g, bool no_depth_limit) {
  MenuState& m = g.menu;
  LibraryState& l = g.library;
  m.busy = true;
  m.progress = MenuSearchProgress{};
  m.progress.ran = true;
  m.progress.folders = static_cast<int>(LoadSearchFolderList(g).entries.size());
  l.NoDepthLimit = no_depth_limit;
  l.OnProgress = [&g] { UpdateMenuSearchProgress(g); };
  // Put back on every way out, also when the program ends during the search;
  // the window's title shows the progress only while the search runs.
  struct Restore {
    Game& g;
    std::string title;
    ~Restore() {
      g.menu.busy = false;
      g.menu.title = title;
      g.library.OnProgress = nullptr;
      g.library.NoDepthLimit = false;
    }
  } restore{g, m.title};
  const bool found = MakeBMSListFile(g, false);
  const bool charts = std::any_of(l.SearchResults.begin(), l.SearchResults.end(),
                                  [](const SearchFolderResult& r) { return r.charts > 0; });
  using Outcome = MenuState::SearchOutcome;
  m.search_outcome = !charts ? Outcome::NoCharts : l.UnsavedListFiles.empty() ? Outcome::Complete : Outcome::Unsaved;
  if (!l.UnsavedListFiles.empty()) m.status = l.ProgressTitle;
  if (found) m.progress.folder = m.progress.folders;
  // The chart count of the whole search, not of the jukebox list read after it.
  int listed = 0;
  for (const SearchFolderResult& r : l.SearchResults) listed += r.charts;
  m.progress.charts_read = m.progress.charts_found = listed;
  return found;
}

void UpdateMenuSearchProgress(Game& g) {
  const LibraryState& l = g.library;
  MenuSearchProgress& p = g.menu.progress;
  // The list is cleared as each search folder starts.
  if (l.SongList.empty() && l.ProgressTitle.rfind("Adding...", 0) == 0) p.folder = std::min(p.folder + 1, p.folders);
  p.charts_found = static_cast<int>(l.FoundFiles.size());
  p.charts_read = std::min(static_cast<int>(l.SongList.size()), p.charts_found);
  if (!l.ProgressTitle.empty()) g.menu.title = l.ProgressTitle;
  DrawBusyMenuFrame(g);
}

}  // namespace kvx
