#pragma once
// The search panel of the startup menu: the folder list, adding, removing and
// dropping folders, and running the chart search with its progress shown.
#include <string>

namespace kvx {

struct Game;
struct Texts;
struct SearchFolderEntry;
struct SearchFolderResult;

// "BMS(再)検索": shows the panel with the folders of the search-folder file.
void OpenSearchPanel(Game& game);
// A folder from the folder chooser: added and checked unless already listed.
void AddChosenFolder(Game& game, const std::string& folder);
// A file or folder dropped on the menu: the folder that holds a file, or the
// folder itself, is added (the panel opens first when it is closed).
void DropOnFolderList(Game& game, const std::string& path);
// "削除": removes the selected entry; nothing when none is selected.
void RemoveSelectedSearchFolder(Game& game);

// "検索開始": rewrites the search-folder file (comment lines first) and runs
// the chart search. Returns what the search returned.
bool StartMenuSearch(Game& game);
// Runs the chart search with every control disabled and the progress shown
// in the window title and the panel.
bool RunChartSearch(Game& game, bool no_depth_limit);
// What the last search from the menu found in the folder of an entry; null
// before a search, while one runs, and for unchecked or unsearched entries.
const SearchFolderResult* SearchResultOf(const Game& game, const SearchFolderEntry& entry);
// The entry's mark in the list: "not found", "no charts" or "12 charts".
std::string SearchResultMark(const SearchFolderResult& result, const Texts& texts);
// The line under the list after a search: how it ended and its totals.
std::string SearchSummaryLine(const Game& game, const Texts& texts);
// One step of a running search: takes the library's progress and redraws.
void UpdateMenuSearchProgress(Game& game);

}  // namespace kvx
