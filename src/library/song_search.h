#pragma once
// The chart search, the header scan and the song list it fills.
#include <cstdint>
#include <string>

#include "library/library_state.h"

namespace kvx {

struct Game;
struct Texts;

// The whole chart search (bms_search.cpp): one list file per search folder,
// then the jukebox list. False when no jukebox exists afterwards.
bool MakeBMSListFile(Game& game, bool flag);
// The title a finished search leaves: "Scan complete.", or the names of the
// list files it could not save (in the language of `texts`).
std::string SearchOutcomeTitle(const std::vector<std::string>& unsaved_list_files, const Texts& texts);
// Empties SongList and its companions, then shows the progress.
void ClearSongList(Game& game);
// Appends one entry for the chart at path (empty when the file is missing).
void AddSongFile(Game& game, const std::string& path);
// Fills SongList[index] from the chart's header; nothing when index is not
// an entry of the list.
void ReadBMSHeader(Game& game, const std::string& path, int32_t index);
// How the header scan reads a chart: by the classic rules, or by the modern
// ones, where it reads the chart as the play does (the branches of #RANDOM
// are those a play with the same seed takes) and so gives the play's note
// count and length.
struct HeaderScanRules {
  bool modernCharts = false;
  uint64_t seed = 0;
};
// The header scan itself, into one entry (also used by tools and tests).
// False when the file holds no chart command (empty, a picture, garbage): it
// is not a chart.
bool ScanBMSHeader(const std::string& path, SongEntry& entry, const HeaderScanRules& rules = {});
// The scan of a chart's text already read (ChartTextFromBytes with the same
// modern rules).
bool ScanBMSHeaderText(const std::string& path, std::string text, SongEntry& entry, const HeaderScanRules& rules = {});
// Whether a file name is a chart the search lists: ".bms" and ".bme", and
// ".bml" under the modern rules (any letter case).
bool IsChartFileName(const std::string& name, bool modernCharts);
// The progress line of the search (see LibraryState::ProgressTitle).
void ShowListProgress(Game& game);
// "HH:MM:SS" of a millisecond count; hours take two digits at least.
std::string FormatPlayTime(int64_t ms);

}  // namespace kvx
