// The course list: "[MAKE NEW COURSE]" and one entry per course file.
#include "app/game.h"
#include "library/courses.h"
#include "library/bms_search.h"
#include "library/song_search.h"
#include "platform/files.h"

namespace kvx {

namespace {

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
  std::string folder = CourseFolder(g);
  SearchFolderTree(g, folder, "*.kcl", true);

  SongEntry make_new;
  make_new.Title = "[MAKE NEW COURSE]";
  AppendToSongList(g, make_new);
  for (const std::string& path : l.FoundFiles) {
    g.course.Header = CourseHeader{};
    if (!CourseLoad(g, path, true)) continue;  // set aside as damaged
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
