// Course files: reading (with the conversion of first-format files) and
// writing the second format.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "app/game.h"
#include "library/courses.h"
#include "platform/files.h"
#include "platform/text.h"

namespace kvx {

namespace {

constexpr std::string_view kSignature2 = "kvxcourse2              ";  // 24 bytes
constexpr std::string_view kSignature1 = "kvx_course";
constexpr size_t kHeaderOffset = 24;
constexpr size_t kRecordsOffset = 34;
constexpr int kFirstFormatRecords = 6;
constexpr uint8_t kFirstFormatSongs = 5;
// Room for 256 records of the largest possible size; nothing past it is read.
constexpr size_t kMaxCourseFileBytes = kRecordsOffset + 256 * (6 * (2 + 65535) + 9 * 4);

// ---- The list-file record layout -------------------------------------------------

// Reads little-endian fields from a byte string; every read checks the bounds.
class ByteReader {
 public:
  ByteReader(std::string_view bytes, size_t at) : bytes_(bytes), at_(at) {}
  bool Left(size_t n) const { return at_ <= bytes_.size() && bytes_.size() - at_ >= n; }
  bool Int32(int32_t& v) {
    uint32_t u = 0;
    if (!Left(4)) return false;
    for (int i = 3; i >= 0; --i) u = (u << 8) | static_cast<uint8_t>(bytes_[at_ + i]);
    at_ += 4;
    v = static_cast<int32_t>(u);
    return true;
  }
  bool Float(float& v) {
    int32_t bits = 0;
    if (!Int32(bits)) return false;
    std::memcpy(&v, &bits, 4);
    return true;
  }
  bool Text(std::string& v) {
    if (!Left(2)) return false;
    size_t n = static_cast<uint8_t>(bytes_[at_]) | static_cast<size_t>(static_cast<uint8_t>(bytes_[at_ + 1])) << 8;
    if (!Left(2 + n)) return false;
    v = DecodeText(bytes_.substr(at_ + 2, n));
    at_ += 2 + n;
    return true;
  }
  size_t at() const { return at_; }

 private:
  std::string_view bytes_;
  size_t at_;
};

void PutInt32(std::string& out, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

void PutText(std::string& out, const std::string& text) {
  // The length is 16 bits; a longer text is cut at a character boundary.
  size_t n = std::min<size_t>(text.size(), 65535);
  while (n < text.size() && n > 0 && (static_cast<uint8_t>(text[n]) & 0xC0) == 0x80) --n;
  out.push_back(static_cast<char>(n & 0xFF));
  out.push_back(static_cast<char>(n >> 8));
  out.append(text, 0, n);
}

// One whole record, or false (and `entry` unusable) when the bytes run out.
bool ReadRecord(ByteReader& in, SongEntry& e) {
  return in.Text(e.Title) && in.Text(e.Artist) && in.Text(e.Genre) && in.Float(e.Bpm) && in.Int32(e.Player) &&
         in.Int32(e.PlayLevel) && in.Text(e.MidiFile) && in.Int32(e.Rank) && in.Int32(e.VolWav) &&
         in.Int32(e.Total) && in.Int32(e.LengthMs) && in.Text(e.StageFile) && in.Int32(e.WavCount) &&
         in.Int32(e.BmpCount) && in.Text(e.FilePath);
}

void PutRecord(std::string& out, const SongEntry& e) {
  int32_t bpm_bits = 0;
  std::memcpy(&bpm_bits, &e.Bpm, 4);
  PutText(out, e.Title);
  PutText(out, e.Artist);
  PutText(out, e.Genre);
  PutInt32(out, bpm_bits);
  PutInt32(out, e.Player);
  PutInt32(out, e.PlayLevel);
  PutText(out, e.MidiFile);
  PutInt32(out, e.Rank);
  PutInt32(out, e.VolWav);
  PutInt32(out, e.Total);
  PutInt32(out, e.LengthMs);
  PutText(out, e.StageFile);
  PutInt32(out, e.WavCount);
  PutInt32(out, e.BmpCount);
  PutText(out, e.FilePath);
}

// Up to `limit` records from `at`; stops at the first record that does not fit.
std::vector<SongEntry> ReadRecords(std::string_view bytes, size_t at, int limit) {
  std::vector<SongEntry> songs;
  ByteReader in(bytes, at);
  for (int i = 0; i < limit; ++i) {
    SongEntry e;
    if (!ReadRecord(in, e)) break;
    songs.push_back(std::move(e));
  }
  return songs;
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

// Writes the bytes to a temporary file beside the target, flushes it to disk
// and renames it over the target; with keep_tail the old file's bytes past
// the new end are kept (the course format is never shortened).
bool WriteFileSafelyLocal(const std::string& path, std::string_view bytes, bool keep_tail,
                          std::string* error = nullptr) {
  std::string data(bytes);
  if (keep_tail) {
    if (auto old = ReadFileBytes(path); old && old->size() > data.size()) data.append(*old, data.size());
  }
  const std::string temp = path + ".tmp" + std::to_string(::getpid());
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  auto fail = [&](const char* step) {
    if (error) *error = std::string(step) + ": " + std::strerror(errno);
    if (f) std::fclose(f);
    std::remove(temp.c_str());
    return false;
  };
  if (!f) return fail("create");
  if (std::fwrite(data.data(), 1, data.size(), f) != data.size()) return fail("write");
  if (std::fflush(f) != 0 || ::fsync(::fileno(f)) != 0) return fail("flush");
  if (std::fclose(f) != 0) {
    f = nullptr;
    return fail("close");
  }
  f = nullptr;
  if (std::rename(temp.c_str(), path.c_str()) != 0) return fail("rename");
  return true;
}

CourseHeader ReadHeader(std::string_view bytes) {
  CourseHeader h;
  ByteReader in(bytes, kHeaderOffset + 2);
  h.Stars = static_cast<uint8_t>(bytes[kHeaderOffset]);
  h.SongCount = static_cast<uint8_t>(bytes[kHeaderOffset + 1]);
  in.Int32(h.Reserved);
  in.Int32(h.TotalLength);
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
  std::vector<SongEntry> songs = ReadRecords(old, kHeaderOffset, kFirstFormatRecords);
  CourseHeader h;
  h.Stars = kFirstFormatSongs;
  h.SongCount = static_cast<uint8_t>(std::min<size_t>(kFirstFormatSongs, songs.size()));
  h.Reserved = 0;
  for (int i = 0; i < h.SongCount; ++i) h.TotalLength += songs[i].LengthMs;
  if (h.SongCount < kFirstFormatSongs)
    DebugLog(g, "course file holds only " + std::to_string(songs.size()) + " of 6 records: " + FileNameOf(path));
  std::string bytes = EncodeCourseFile(h, songs);
  std::string error;
  if (WriteFileSafelyLocal(path, bytes, true, &error))
    DebugLog(g, "course converted to the second format: " + FileNameOf(path));
  else
    DebugLog(g, "course could not be converted (" + error + "): " + FileNameOf(path));
  return bytes;
}

}  // namespace

std::string EncodeCourseFile(const CourseHeader& header, const std::vector<SongEntry>& songs) {
  std::string out(kSignature2);
  out.push_back(static_cast<char>(header.Stars));
  out.push_back(static_cast<char>(header.SongCount));
  PutInt32(out, header.Reserved);
  PutInt32(out, header.TotalLength);
  for (const SongEntry& e : songs) PutRecord(out, e);
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

void CourseLoad(Game& g, const std::string& path, bool headerOnly) {
  if (!headerOnly) DebugLog(g, "[CourseLoad] " + FileNameOf(path));
  if (!FileExists(path)) {
    if (!headerOnly) DebugLog(g, "course file not found.");
    return;
  }
  // The header alone needs only its first bytes, unless the file is to be converted.
  std::string bytes = ReadFileHead(path, headerOnly ? kRecordsOffset : kMaxCourseFileBytes).value_or(std::string());
  if (bytes.compare(0, kSignature1.size(), kSignature1) == 0) {
    if (headerOnly) bytes = ReadFileHead(path, kMaxCourseFileBytes).value_or(std::string());
    bytes = ConvertFirstFormat(g, path, bytes);
  }
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
  if (WriteFileSafelyLocal(path, EncodeCourseFile(g.course.Header, g.chart.CourseSongs), true, &error)) return true;
  DebugLog(g, "course could not be saved (" + error + "): " + path);
  return false;
}

}  // namespace kvx
