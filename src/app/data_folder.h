#pragma once
// Where korvex keeps its data. A folder holding `_kvxfiles` (the build folder,
// an unpacked copy, --data, KORVEX_HOME) is used as it is: the portable mode.
// An installed korvex (bin/korvex beside share/korvex) reads its default data
// and demo songs from share/korvex and keeps the player's data in
// $XDG_DATA_HOME/korvex, filled from the defaults.
#include <string>
#include <vector>

namespace kvx {

struct Game;

// What the choice is made from: the command line, the environment and the
// executable's folder.
struct FolderSources {
  std::string data_option;        // --data DIR
  std::string korvex_home;        // KORVEX_HOME
  std::string executable_folder;
  std::string xdg_data_home;      // XDG_DATA_HOME
  std::string home;               // HOME, or the home folder of the user
};

struct FolderChoice {
  std::string program;  // the program folder (share/korvex when installed)
  std::string data;     // the data folder
  bool installed = false;
  std::string reason;   // why, for the log
};

// The installed read-only folder that belongs to an executable in `bin/`.
std::string InstalledShareFolder(const std::string& executable_folder);
FolderChoice ChooseFolders(const FolderSources& sources);
// The sources of this process: the environment and /proc/self/exe.
FolderSources ProcessFolderSources(const std::string& data_option);
// Points the game's paths and log at the chosen folders.
void UseFolders(Game& game, const FolderChoice& choice);

// What filling the player's data folder did.
struct SeedReport {
  int copied = 0;
  bool search_file_written = false;
  std::vector<std::string> errors;
};

// The search-folder file of a new data folder: the installed demo songs, and
// ~/Music/BMS when that folder exists.
std::string InitialSearchFolderText(const std::string& songs_folder, const std::string& home);
// Creates the data folder (mode 0700, parents too) and copies every default
// file of `defaults` that it lacks; files the player has are never replaced.
// The courses are copied only into a new course folder, so a course the player
// deleted stays deleted. A missing search-folder file is written anew.
SeedReport SeedDataFolder(const std::string& defaults, const std::string& data, const std::string& songs_folder,
                          const std::string& home);
// For an installed korvex, fills the data folder before the log opens.
SeedReport PrepareDataFolder(Game& game);
// The log lines that say which data folder is used, why, and what was copied.
void LogDataFolder(Game& game, const SeedReport& report);

}  // namespace kvx
