#pragma once
// The chart search: the search-folder file, the folder walk, and one list file
// per search folder in "_kvxfiles/jukelist". MakeBMSListFile (song_search.h)
// runs the whole search.
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

struct Game;
struct Texts;
struct SearchFolderResult;

// The folder lines of a search-folder file's text, in file order: "//"
// comments cut, empty lines skipped, "<CURRENTDIR>" in any case replaced by
// the program folder. The lines are otherwise as written (not trimmed).
std::vector<std::string> SearchFolderLines(const Game& game, std::string_view text);

// Empties FoundFiles, walks the folder for "*.bms;*.bme" and adds every found
// chart to SongList in the order found. The folder comes back ending in "/".
void SearchBMSFolder(Game& game, std::string& folder);
// The depth-limited walk (the folder and its direct subfolders, or the whole
// tree with NoDepthLimit); appends to FoundFiles, a folder's own files before
// its subfolders'. The folder comes back ending in "/".
void SearchFolderTree(Game& game, std::string& folder, const std::string& masks, bool recurse);
// The files of one folder matching the ";"-separated masks, mask by mask,
// names sorted without regard to case; appends to FoundFiles.
void FindFilesInFolder(Game& game, const std::string& folder, const std::string& masks);

// One line of totals for a search's results in a language: "12 charts in 3
// folders; 1 folder not found; 1 folder without charts" (the last parts only
// when so).
std::string SearchSummary(const std::vector<SearchFolderResult>& results, const Texts& texts);

// A file-name mask with "*" and "?", matched without regard to case.
bool MatchesMask(std::string_view name, std::string_view mask);

}  // namespace kvx
