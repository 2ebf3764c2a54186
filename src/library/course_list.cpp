// The course list: "[MAKE NEW COURSE]" and one entry per course file.
#include <algorithm>
#include <filesystem>

#include "app/game.h"
#include "library/courses.h"
#include "library/song_search.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kvx {

namespace {

namespace fs = std::filesystem;

constexpr int kDepthLimit = 1;      // the folder and its direct subfolders
constexpr int kNoLimitDepth = 8;    // even without the limit a loop of links ends

// The course files of a folder, its own files before those of its
// subfolders (names starting with "." left out), down to max_depth.
void FindCourseFiles(const fs::path& folder, int depth, int max_depth, std::vector<std::string>& found) {
  std::vector<std::string> files;
  std::vector<fs::path> folders;
  std::error_code ec;
  for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code type_ec;
    if (it->is_directory(type_ec)) {
      if (!name.empty() && name[0] != '.') folders.push_back(it->path());
    } else if (it->is_regular_file(type_ec) && EndsWithNoCase(name, ".kcl")) {
      files.push_back(it->path().string());
    }
  }
  // Names in the order of the letters, whatever their case.
  auto by_name = [](const auto& a, const auto& b) {
    const std::string la = ToLowerAscii(fs::path(a).filename().string()), lb = ToLowerAscii(fs::path(b).filename().string());
    return la != lb ? la < lb : a < b;
  };
  std::sort(files.begin(), files.end(), by_name);
  std::sort(folders.begin(), folders.end(), by_name);
  found.insert(found.end(), files.begin(), files.end());
  if (depth >= max_depth) return;
  for (const fs::path& sub : folders) FindCourseFiles(sub, depth + 1, max_depth, found);
}

std::string NameWithoutExtension(const std::string& path) {
  std::string name = FileNameOf(path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

void AppendToSongList(Game& g, SongEntry entry) {
  LibraryState& l = g.library;
  l.TotalPlayTime += entry.LengthMs;
  l.SongList.push_back(std::move(entry));
  l.SongListLast = static_cast<int32_t>(l.SongList.size()) - 1;
}

}  // namespace

void UpdateCourseList(Game& g) {
  LibraryState& l = g.library;
  DebugLog(g, "[UpdateCourseList]", 1);
  ClearSongList(g);
  l.FoundFiles.clear();
  FindCourseFiles(CourseFolder(g), 0, l.NoDepthLimit ? kNoLimitDepth : kDepthLimit, l.FoundFiles);

  SongEntry make_new;
  make_new.Title = "[MAKE NEW COURSE]";
  AppendToSongList(g, make_new);
  for (const std::string& path : l.FoundFiles) {
    g.course.Header = CourseHeader{};
    CourseLoad(g, path, true);
    SongEntry e;
    e.Title = NameWithoutExtension(path);
    e.FilePath = path;
    e.PlayLevel = g.course.Header.Stars;
    e.LengthMs = g.course.Header.TotalLength;
    e.Player = 1;
    e.Rank = 2;
    AppendToSongList(g, std::move(e));
  }
  l.SongMarks.assign(l.SongList.size(), false);
  l.CourseList = l.SongList;
  l.CourseListLast = l.SongListLast;
  DebugLog(g, std::to_string(l.CourseListLast) + " course(s) has detected.", -1);
}

}  // namespace kvx
