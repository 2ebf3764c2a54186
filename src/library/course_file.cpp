// Course files: reading (with the conversion of first-format files) and
// writing the second format.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <fstream>

#include "app/damaged_file.h"
#include "app/game.h"
#include "library/courses.h"
#include "library/list_file.h"
#include "platform/files.h"

namespace kvx {

namespace {

constexpr std::string_view kSignature2 = "kvxcourse2              ";  // 24 bytes
constexpr std::string_view kSignature1 = "kvx_course";
constexpr size_t kHeaderOffset = 24;
constexpr size_t kRecordsOffset = 34;
constexpr int kFirstFormatRecords = 6;
constexpr uint8_t kFirstFormatSongs = 5;
// Room for 256 records of the largest possible size; nothing past it is read.
constexpr size_t kMaxCourseFileBytes = kRecordsOffset + 256 * (kMinListRecordBytes + 6 * kMaxListTextBytes);

// ---- Records: the list file's record layout, read and written by its codec ----

std::string Le32(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  return {static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16), static_cast<char>(u >> 24)};
}

std::string EncodeRecords(const std::vector<SongEntry>& songs) {
  return EncodeListFile(songs).substr(kListHeaderBytes);
}

// Up to `limit` records from `at`; stops at the first record that does not fit.
std::vector<SongEntry> ReadRecords(std::string_view bytes, size_t at, int limit) {
  if (limit <= 0 || at > bytes.size()) return {};
  // The same records behind a list file header that announces `limit` of them.
  std::string list(kListHeaderBytes - 4, '\0');
  list += Le32(limit - 1);
  list.append(bytes.substr(at));
  return DecodeListFile(list).entries;
}

// ---- Files ---------------------------------------------------------------------

// The first `limit` bytes of the file (all of a smaller one).
std::optional<std::string> ReadFileHead(const std::string& path, size_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string data;
  char buffer[65536];
  while (data.size() < limit && (in.read(buffer, std::min(sizeof buffer, limit - data.size())) || in.gcount() > 0))
    data.append(buffer, static_cast<size_t>(in.gcount()));
  return data;
}

int32_t Int32At(std::string_view bytes, size_t at) {
  uint32_t u = 0;
  for (int i = 3; i >= 0; --i) u = (u << 8) | static_cast<uint8_t>(bytes[at + i]);
  return static_cast<int32_t>(u);
}

// The header of a file of at least kRecordsOffset bytes.
CourseHeader ReadHeader(std::string_view bytes) {
  CourseHeader h;
  h.Stars = static_cast<uint8_t>(bytes[kHeaderOffset]);
  h.SongCount = static_cast<uint8_t>(bytes[kHeaderOffset + 1]);
  h.Reserved = Int32At(bytes, kHeaderOffset + 2);
  h.TotalLength = Int32At(bytes, kHeaderOffset + 6);
  return h;
}

// Course songs named by a path relative to the program folder (the demo
// course) are looked up there.
void ResolveRelativePaths(Game& g, std::vector<SongEntry>& songs) {
  for (SongEntry& e : songs) {
    if (e.FilePath.empty() || e.FilePath[0] == '/') continue;
    e.FilePath = g.paths.program + "/" + NormalizeSeparators(e.FilePath);
  }
}

// Rewrites a first-format course in the second format; returns the new bytes.
std::string ConvertFirstFormat(Game& g, const std::string& path, std::string_view old) {
  std::string bytes = SecondFormatOf(g, path, old);
  std::string error;
  if (WriteFileSafely(path, bytes, true, &error))
    DebugLog(g, "course converted to the second format: " + FileNameOf(path));
  else
    DebugLog(g, "course could not be converted (" + error + "): " + FileNameOf(path));
  return bytes;
}

}  // namespace

bool IsFirstFormatCourse(std::string_view bytes) { return bytes.substr(0, kSignature1.size()) == kSignature1; }

std::string SecondFormatOf(Game& g, const std::string& path, std::string_view old) {
  std::vector<SongEntry> songs = ReadRecords(old, kHeaderOffset, kFirstFormatRecords);
  CourseHeader h;
  h.Stars = kFirstFormatSongs;
  h.SongCount = static_cast<uint8_t>(std::min<size_t>(kFirstFormatSongs, songs.size()));
  h.Reserved = 0;
  h.TotalLength = TotalLengthOf(songs, h.SongCount);
  if (h.SongCount < kFirstFormatSongs)
    DebugLog(g, "course file holds only " + std::to_string(songs.size()) + " of 6 records: " + FileNameOf(path));
  return EncodeCourseFile(h, songs);
}

int32_t TotalLengthOf(const std::vector<SongEntry>& songs, size_t count) {
  int64_t total = 0;
  for (size_t i = 0; i < std::min(count, songs.size()); ++i) total += songs[i].LengthMs;
  return static_cast<int32_t>(
      std::clamp<int64_t>(total, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

std::string EncodeCourseFile(const CourseHeader& header, const std::vector<SongEntry>& songs) {
  std::string out(kSignature2);
  out.push_back(static_cast<char>(header.Stars));
  out.push_back(static_cast<char>(header.SongCount));
  out += Le32(header.Reserved) + Le32(header.TotalLength) + EncodeRecords(songs);
  return out;
}

std::string CourseFolder(Game& g) { return g.paths.data + "/courselist"; }

std::string CourseFilePath(Game& g, const std::string& name) {
  // A name never leaves the course folder: "/" cannot be typed, but a name
  // from elsewhere is cleaned all the same.
  std::string file = name;
  for (char& c : file)
    if (c == '/' || c == '\0') c = '_';
  return CourseFolder(g) + "/" + file + ".kcl";
}

std::string CourseFileProblem(std::string_view bytes) {
  if (IsFirstFormatCourse(bytes)) return {};
  if (bytes.size() < kRecordsOffset) return "only " + std::to_string(bytes.size()) + " bytes";
  if (bytes.substr(0, kSignature2.size()) != kSignature2) return "no course file signature";
  const CourseHeader h = ReadHeader(bytes);
  if (h.SongCount > kMaxCourseSongs) return std::to_string(h.SongCount) + " songs, more than a course holds";
  return {};
}

bool CourseLoad(Game& g, const std::string& path, bool headerOnly) {
  if (!headerOnly) DebugLog(g, "[CourseLoad] " + FileNameOf(path));
  if (!FileExists(path)) {
    if (!headerOnly) DebugLog(g, "course file not found.");
    return false;
  }
  // The header alone needs only its first bytes, unless the file is to be converted.
  std::string bytes = ReadFileHead(path, headerOnly ? kRecordsOffset : kMaxCourseFileBytes).value_or(std::string());
  if (const std::string problem = CourseFileProblem(bytes); !problem.empty()) {
    SetAsideDamagedFile(g, path, "course file", problem);
    g.course.Header = CourseHeader{};
    if (!headerOnly) {
      g.chart.CourseSongs.assign(1, SongEntry{});
      g.chart.CourseSongCount = 0;
    }
    return false;
  }
  if (IsFirstFormatCourse(bytes)) {
    if (headerOnly) bytes = ReadFileHead(path, kMaxCourseFileBytes).value_or(std::string());
    bytes = ConvertFirstFormat(g, path, bytes);
  }
  ReadCourseBytes(g, path, bytes, headerOnly);
  return true;
}

void ReadCourseBytes(Game& g, const std::string& path, std::string_view bytes, bool headerOnly) {
  CourseState& c = g.course;
  if (bytes.size() < kRecordsOffset) {
    DebugLog(g, "course file is too short: " + FileNameOf(path));
    c.Header = CourseHeader{};
  } else {
    c.Header = ReadHeader(bytes);
  }
  if (headerOnly) return;
  std::vector<SongEntry> songs = ReadRecords(bytes, kRecordsOffset, c.Header.SongCount);
  if (songs.size() < c.Header.SongCount) {
    DebugLog(g, "course file holds only " + std::to_string(songs.size()) + " of " +
                    std::to_string(c.Header.SongCount) + " songs: " + FileNameOf(path));
    c.Header.SongCount = static_cast<uint8_t>(songs.size());
  }
  ResolveRelativePaths(g, songs);
  // One entry more than the songs; it stays empty (bytes past the last record
  // are left over from longer courses and never read).
  songs.emplace_back();
  g.chart.CourseSongs = std::move(songs);
  g.chart.CourseSongCount = c.Header.SongCount;
  DebugLog(g, "course loaded.");
}

bool SaveCourseFile(Game& g, const std::string& path) {
  std::string error;
  if (WriteFileSafely(path, EncodeCourseFile(g.course.Header, g.chart.CourseSongs), true, &error)) return true;
  DebugLog(g, "course could not be saved (" + error + "): " + path);
  return false;
}

}  // namespace kvx
