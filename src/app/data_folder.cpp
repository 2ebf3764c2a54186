#include "app/data_folder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/game.h"
#include "menu/folder_chooser.h"
#include "platform/files.h"

namespace fs = std::filesystem;

namespace kvx {

namespace {

constexpr const char* kDataFolderName = "_kvxfiles";
constexpr const char* kSearchFolderFile = "kvx_searchdir.txt";
constexpr const char* kCourseFolder = "courselist";

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool HoldsDataFolder(const std::string& folder) {
  return !folder.empty() && FolderExists(folder + "/" + kDataFolderName);
}

// $XDG_DATA_HOME/korvex; a relative or empty XDG_DATA_HOME is ignored, as the
// XDG base directory rules say.
FolderChoice InstalledChoice(const FolderSources& s, const std::string& share) {
  FolderChoice c;
  c.program = share;
  c.installed = true;
  if (!s.xdg_data_home.empty() && s.xdg_data_home[0] == '/') {
    c.data = JoinPath(s.xdg_data_home, "korvex");
    c.reason = "installed in " + share + "; XDG_DATA_HOME";
  } else {
    c.data = JoinPath(s.home, ".local/share/korvex");
    c.reason = "installed in " + share + "; ~/.local/share (XDG_DATA_HOME " +
               (s.xdg_data_home.empty() ? "not set" : "not an absolute path") + ")";
  }
  return c;
}

FolderChoice PortableChoice(const std::string& folder, const std::string& reason) {
  return {folder, JoinPath(folder, kDataFolderName), false, reason};
}

// mkdir -p with mode 0700 for the folders it creates.
bool MakeFolders(const std::string& path, std::string* error) {
  std::string at;
  for (size_t pos = 0; pos != std::string::npos;) {
    const size_t next = path.find('/', pos + 1);
    at = path.substr(0, next);
    pos = next;
    if (at.empty() || FolderExists(at)) continue;
    if (::mkdir(at.c_str(), 0700) != 0 && errno != EEXIST) {
      *error = "cannot create " + at + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

void CopyFileIfMissing(const fs::path& from, const std::string& to, SeedReport& report) {
  if (FileExists(to) || FolderExists(to)) return;
  auto bytes = ReadFileBytes(from.string());
  std::string error = "cannot be read";
  if (bytes && WriteFileSafely(to, *bytes, false, &error)) {
    ++report.copied;
    return;
  }
  report.errors.push_back("cannot copy " + from.string() + " to " + to + " (" + error + ")");
}

bool SkippedDefault(const std::string& relative, bool new_course_folder) {
  if (relative.empty() || relative[0] == '.' || relative == kSearchFolderFile) return true;
  return !new_course_folder && relative.rfind(std::string(kCourseFolder) + "/", 0) == 0;
}

}  // namespace

std::string InstalledShareFolder(const std::string& executable_folder) {
  return (fs::path(executable_folder) / ".." / "share" / "korvex").lexically_normal().string();
}

FolderChoice ChooseFolders(const FolderSources& s) {
  if (!s.data_option.empty()) return PortableChoice(s.data_option, "--data");
  if (!s.korvex_home.empty()) return PortableChoice(s.korvex_home, "KORVEX_HOME");
  if (HoldsDataFolder(s.executable_folder))
    return PortableChoice(s.executable_folder, "portable: _kvxfiles beside the executable");
  const std::string share = InstalledShareFolder(s.executable_folder);
  if (HoldsDataFolder(share) && !s.home.empty()) return InstalledChoice(s, share);
  return PortableChoice(s.executable_folder, "the executable's folder (no installed data found)");
}

FolderSources ProcessFolderSources(const std::string& data_option) {
  return {data_option, EnvironmentValue("KORVEX_HOME"), ExecutableFolder(), EnvironmentValue("XDG_DATA_HOME"),
          HomeFolder()};
}

void UseFolders(Game& g, const FolderChoice& choice) {
  g.SetProgramFolder(choice.program);
  g.paths.data = choice.data;
  while (g.paths.data.size() > 1 && g.paths.data.back() == '/') g.paths.data.pop_back();
  g.paths.installed = choice.installed;
  g.paths.reason = choice.reason;
  g.log.SetPath(g.paths.data + "/debug.txt");
}

std::string InitialSearchFolderText(const std::string& songs_folder, const std::string& home) {
  std::string text = "// Folders searched for charts, one a line (each folder and its subfolders).\r\n";
  text += songs_folder + "\r\n";
  const std::string music = JoinPath(home, "Music/BMS");
  if (!home.empty() && FolderExists(music)) text += music + "\r\n";
  return text;
}

SeedReport SeedDataFolder(const std::string& defaults, const std::string& data, const std::string& songs_folder,
                          const std::string& home) {
  SeedReport report;
  std::string error;
  if (!MakeFolders(data, &error)) {
    report.errors.push_back(error);
    return report;
  }
  const bool new_course_folder = !FolderExists(JoinPath(data, kCourseFolder));
  std::error_code ec;
  for (fs::recursive_directory_iterator it(defaults, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string relative = it->path().lexically_relative(defaults).string();
    if (SkippedDefault(relative, new_course_folder)) {
      std::error_code type_ec;
      if (it->is_directory(type_ec)) it.disable_recursion_pending();
      continue;
    }
    const std::string target = JoinPath(data, relative);
    std::error_code type_ec;
    if (it->is_directory(type_ec))
      MakeFolder(target);
    else if (it->is_regular_file(type_ec))
      CopyFileIfMissing(it->path(), target, report);
  }
  if (ec) report.errors.push_back("cannot read " + defaults + " (" + ec.message() + ")");
  const std::string search_file = JoinPath(data, kSearchFolderFile);
  if (!FileExists(search_file)) {
    if (WriteFileSafely(search_file, InitialSearchFolderText(songs_folder, home), false, &error))
      report.search_file_written = true;
    else
      report.errors.push_back("cannot write " + search_file + " (" + error + ")");
  }
  return report;
}

SeedReport PrepareDataFolder(Game& g) {
  if (!g.paths.installed) return {};
  SeedReport report = SeedDataFolder(JoinPath(g.paths.program, kDataFolderName), g.paths.data,
                                     JoinPath(g.paths.program, "songs"), HomeFolder());
  // Without a data folder there is no log to say it.
  if (!FolderExists(g.paths.data))
    for (const std::string& e : report.errors) std::fprintf(stderr, "korvex: %s\n", e.c_str());
  return report;
}

void LogDataFolder(Game& g, const SeedReport& report) {
  DebugLog(g, "[Main] data folder: " + g.paths.data + (g.paths.reason.empty() ? "" : " (" + g.paths.reason + ")"));
  if (report.copied > 0)
    DebugLog(g, "[Main] " + std::to_string(report.copied) + " default files copied from " +
                    JoinPath(g.paths.program, kDataFolderName));
  if (report.search_file_written) DebugLog(g, "[Main] search folders written: " + std::string(kSearchFolderFile));
  for (const std::string& e : report.errors) DebugLog(g, "[Main] " + e);
}

}  // namespace kvx
