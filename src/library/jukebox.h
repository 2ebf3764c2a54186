#pragma once
// Jukeboxes: the list files of the song library, playing list entries and
// dropped files.
#include <string>
#include <vector>

namespace kvx {

struct Game;

// Rebuilds the jukebox list; returns how many list files it found.
int UpdateJukeList(Game& game);
// Shows the list of songs to choose from.
void JukeReady(Game& game);
void LoadListFile(Game& game, const std::string& path, bool quiet);
void SaveListFile(Game& game, const std::string& path, bool quiet);
// Loads the jukebox under ListCursor into SongList; an empty jukebox ends the
// program. The caller (song select) then shows the list or starts shuffle play.
void OpenJukebox(Game& game);
// Loads and plays the entry of SongList at that index directly.
void PlayListEntry(Game& game, int index);
// A file dropped on the game window.
void DropFile(Game& game, const std::string& path);

// The folders named by "_kvxfiles/kvx_searchdir.txt" (checked lines only,
// "<CURRENTDIR>" in any case expanded to the program folder).
std::vector<std::string> ReadSearchFolders(Game& game);
// Every chart file below the folder (IsChartFileName), sorted by path.
std::vector<std::string> FindChartFiles(const std::string& folder, bool modernCharts = false);

}  // namespace kvx
