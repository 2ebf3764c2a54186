#pragma once
// The startup menu's list of search folders: the entries of
// "_kvxfiles/kvx_searchdir.txt" with a check box each, the file's comment
// lines kept as one block, and the selected entry.
//
// Folder texts are kept as the file's bytes, so a name in any encoding (or in
// none) is written back exactly as it was read.
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

struct Game;

struct SearchFolderEntry {
  std::string folder;
  bool checked = true;
  bool operator==(const SearchFolderEntry&) const = default;
};

struct SearchFolderList {
  std::vector<SearchFolderEntry> entries;
  // The comment lines ("//..."), each followed by CR LF, written back first.
  std::string comment_block;
  int selected = -1;  // index of the selected entry, -1 when none
};

// A search-folder file larger than this is not one; it reads as empty.
constexpr size_t kMaxSearchFolderFileBytes = 1 << 20;

// Reads the file's text (already cut at its first NUL): empty lines are
// skipped, "//" lines go to the comment block, "#" lines are unchecked
// entries of the rest of the line, any other line is a checked entry.
SearchFolderList ParseSearchFolderText(std::string_view text);
// The file's bytes: the comment block, then one line per entry ("#" before an
// unchecked one), each ended by CR LF.
std::string SearchFolderFileText(const SearchFolderList& list);
// True for bytes that are not a text file (control characters, or data after
// a NUL byte).
bool LooksBinary(std::string_view bytes);

std::string SearchFolderFilePath(const Game& game);
// The list from the file; a missing, unreadable, oversized or binary file
// gives an empty list.
SearchFolderList LoadSearchFolderList(const Game& game);
// Rewrites the file safely; false when it could not be written.
bool SaveSearchFolderList(const Game& game, const SearchFolderList& list);

// The folder text in the form entries are compared and stored in: "//" runs
// collapsed, no trailing "/" (except the root itself).
std::string NormalizeFolderText(std::string_view folder);
// The key two folder texts are compared by: "<CURRENTDIR>" (any case) expanded
// to the program folder, normalised, upper-cased.
std::string FolderCompareKey(std::string_view folder, const std::string& program_folder);

enum class AddFolderResult { Added, Duplicate, Unusable };
// Adds the folder as a checked entry unless an entry names it already (in any
// letter case). Empty texts and texts with a line break or NUL cannot be held
// by the file and are refused.
AddFolderResult AddSearchFolder(SearchFolderList& list, std::string_view folder, const std::string& program_folder);
// Removes the selected entry; false (and nothing changes) when none is selected.
bool RemoveSelectedFolder(SearchFolderList& list);
// What a dropped path adds: an existing file gives the folder that holds it,
// anything else the path itself.
std::string FolderOfDroppedPath(const std::string& path);

}  // namespace kvx
