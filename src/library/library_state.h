#pragma once
// The song library's shared records: the song-list entry (a chart, a jukebox
// or a course) and the current list with its companions.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "chart/song_entry.h"

namespace kvx {

// What the last chart search found in one folder of the search-folder file.
struct SearchFolderResult {
  std::string folder;  // the line of the file ("<CURRENTDIR>" replaced)
  bool exists = false;
  int32_t charts = 0;  // charts listed from it
  bool operator==(const SearchFolderResult&) const = default;
};

struct LibraryState {
  // The current list. SongListLast is the index of the last entry, -1 when the
  // list is empty; it always equals SongList.size() - 1.
  std::vector<SongEntry> SongList;
  int32_t SongListLast = -1;
  // Companions cleared with the list. The list cursor itself is
  // AppState::ListCursor.
  int64_t TotalPlayTime = 0;  // sum of LengthMs over the list, ms
  std::string CurrentListFile;
  std::vector<bool> SongMarks;  // one flag per entry, filled by whoever fills the list

  // The jukebox list: one entry per list file, and its last index (-1: none).
  std::vector<SongEntry> JukeList;
  int32_t JukeListLast = -1;
  int32_t SavedJukeCursor = 0;  // the jukebox last opened; the cursor returns to it
  // The course list: one entry per course file plus "[MAKE NEW COURSE]".
  std::vector<SongEntry> CourseList;
  int32_t CourseListLast = -1;

  // The folder walk of the chart search.
  std::vector<std::string> FoundFiles;
  int16_t SearchDepth = 0;
  bool NoDepthLimit = false;
  // The startup menu's title during a search: "Seaching 12... /songs/pack/"
  // per folder walked, "Adding...120 files of 37files / 00:42:10" per chart
  // added (only while the game display does not exist), "Scan complete.".
  std::string ProgressTitle;
  // Per folder of the last search (unchecked "#" lines left out).
  std::vector<SearchFolderResult> SearchResults;
  // Called whenever the progress changes (the startup menu redraws itself).
  std::function<void()> OnProgress;
  // The list files the last search could not write (the old lists stay in use).
  std::vector<std::string> UnsavedListFiles;
};

}  // namespace kvx
