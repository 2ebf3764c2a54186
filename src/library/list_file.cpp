#include "library/list_file.h"


#include <algorithm>
#include <cstring>

#include "app/damaged_file.h"
#include "app/game.h"
#include "library/jukebox.h"
#include "library/song_search.h"
#include "media/display.h"
#include "platform/files.h"
#include "platform/message_box.h"

namespace kvx {

namespace {

constexpr char kListMagic[8] = {'k', 'v', 'x', '_', 'j', 'u', 'k', 'e'};
// A list file larger than this is not read (a 20,000-song list is about 4 MB).
constexpr uint64_t kMaxListFileBytes = uint64_t{256} << 20;

void PutI32(std::string& out, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  const char b[4] = {static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
                     static_cast<char>(u >> 24)};
  out.append(b, 4);
}

void PutF32(std::string& out, float v) {
  uint32_t u;
  std::memcpy(&u, &v, 4);
  PutI32(out, static_cast<int32_t>(u));
}

// At most kMaxListTextBytes, never cutting a UTF-8 character in two.
void PutText(std::string& out, const std::string& text) {
  size_t n = std::min(text.size(), kMaxListTextBytes);
  if (n < text.size())
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  out += static_cast<char>(n & 0xFF);
  out += static_cast<char>(n >> 8);
  out.append(text, 0, n);
}

void PutRecord(std::string& out, const SongEntry& e) {
  PutText(out, e.Title);
  PutText(out, e.Artist);
  PutText(out, e.Genre);
  PutF32(out, e.Bpm);
  PutI32(out, e.Player);
  PutI32(out, e.PlayLevel);
  PutText(out, e.MidiFile);
  PutI32(out, e.Rank);
  PutI32(out, e.VolWav);
  PutI32(out, e.Total);
  PutI32(out, e.LengthMs);
  PutText(out, e.StageFile);
  PutI32(out, e.WavCount);
  PutI32(out, e.BmpCount);
  PutText(out, e.FilePath);
}

// Reads fields from the bytes; once a field runs past the end every later
// read fails too.
class RecordReader {
 public:
  explicit RecordReader(std::string_view bytes, size_t at) : bytes_(bytes), at_(at) {}
  bool ok() const { return ok_; }
  size_t left() const { return bytes_.size() - at_; }

  int32_t I32() {
    if (!Need(4)) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + at_);
    at_ += 4;
    return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                                uint32_t{p[3]} << 24);
  }
  float F32() {
    const auto u = static_cast<uint32_t>(I32());
    float f;
    std::memcpy(&f, &u, 4);
    return f;
  }
  void Text(std::string& out) {
    if (!Need(2)) return;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + at_);
    const size_t n = p[0] | size_t{p[1]} << 8;
    at_ += 2;
    if (!Need(n)) return;
    out.assign(bytes_.data() + at_, n);
    at_ += n;
  }

 private:
  bool Need(size_t n) {
    if (ok_ && left() >= n) return true;
    ok_ = false;
    return false;
  }
  std::string_view bytes_;
  size_t at_;
  bool ok_ = true;
};

bool ReadRecord(RecordReader& r, SongEntry& e) {
  r.Text(e.Title);
  r.Text(e.Artist);
  r.Text(e.Genre);
  e.Bpm = r.F32();
  e.Player = r.I32();
  e.PlayLevel = r.I32();
  r.Text(e.MidiFile);
  e.Rank = r.I32();
  e.VolWav = r.I32();
  e.Total = r.I32();
  e.LengthMs = r.I32();
  r.Text(e.StageFile);
  e.WavCount = r.I32();
  e.BmpCount = r.I32();
  r.Text(e.FilePath);
  return r.ok();
}

// A list made under the other chart rules holds lengths and note counts the
// play does not have: its charts are read again by the rules in force and the
// list is saved (an entry whose chart is gone stays as it was).
void RefreshListRules(Game& g, const std::string& path) {
  const HeaderScanRules rules{g.settings.ModernCharts, g.chart.RandomSeed.value_or(0)};
  int32_t read = 0;
  for (SongEntry& e : g.library.SongList) {
    SongEntry fresh;
    if (!FileExists(e.FilePath) || !ScanBMSHeader(e.FilePath, fresh, rules)) continue;
    e = std::move(fresh);
    ++read;
  }
  DebugLog(g, std::string("list made under the ") + (rules.modernCharts ? "classic" : "modern") +
                  " rules, " + std::to_string(read) + " charts read again: " + path);
  if (!WriteFileSafely(path, EncodeListFile(g.library.SongList, rules.modernCharts), /*keep_tail=*/true))
    DebugLog(g, "the refreshed list could not be saved: " + path);
}

}  // namespace

std::string EncodeListFile(const std::vector<SongEntry>& entries, bool modernRules) {
  std::string out;
  size_t size = kListHeaderBytes;
  for (const SongEntry& e : entries)
    size += kMinListRecordBytes + e.Title.size() + e.Artist.size() + e.Genre.size() + e.MidiFile.size() +
            e.StageFile.size() + e.FilePath.size();
  out.reserve(size);
  out.append(kListMagic, sizeof kListMagic);
  out += modernRules ? kModernRulesMark : '\0';
  out.append(10, '\0');
  out += '\x01';
  PutI32(out, static_cast<int32_t>(entries.size()) - 1);
  for (const SongEntry& e : entries) PutRecord(out, e);
  return out;
}

DecodedList DecodeListFile(std::string_view bytes) {
  DecodedList list;
  if (bytes.size() < kListHeaderBytes) return list;
  list.modernRules = bytes[kListRulesOffset] == kModernRulesMark;
  RecordReader header(bytes, 20);
  const int64_t count = int64_t{header.I32()} + 1;
  if (count < 0) return list;
  const size_t room = (bytes.size() - kListHeaderBytes) / kMinListRecordBytes;
  list.entries.reserve(static_cast<size_t>(std::min<int64_t>(count, static_cast<int64_t>(room))));
  RecordReader r(bytes, kListHeaderBytes);
  for (int64_t i = 0; i < count; ++i) {
    SongEntry e;
    if (!ReadRecord(r, e)) return list;
    list.entries.push_back(std::move(e));
  }
  list.complete = true;
  return list;
}

bool SaveListFile(Game& g, const std::string& path, bool quiet) {
  LibraryState& l = g.library;
  std::string error;
  const bool saved = WriteFileSafely(path, EncodeListFile(l.SongList, g.settings.ModernCharts), /*keep_tail=*/true, &error);
  if (!saved) {
    DebugLog(g, "Error: the list file could not be saved: " + path + " (" + error + ")");
    if (!quiet)
      ShowMessageBox("error", "an error occured in list saving process!", MessageBoxKind::Critical,
                     !g.options.headless);
  }
  l.CurrentListFile = path;
  ShowListProgress(g);
  return saved;
}

std::string ListFileHeaderProblem(std::string_view bytes) {
  if (bytes.size() < kListHeaderBytes) return "only " + std::to_string(bytes.size()) + " bytes";
  if (bytes.substr(0, sizeof kListMagic) != std::string_view(kListMagic, sizeof kListMagic) ||
      (bytes[kListRulesOffset] != '\0' && bytes[kListRulesOffset] != kModernRulesMark) ||
      bytes.substr(9, 10) != std::string_view("\0\0\0\0\0\0\0\0\0\0", 10) || bytes[19] != '\x01')
    return "no list file signature";
  if (RecordReader(bytes, 20).I32() < -1) return "a negative song count";
  return {};
}

namespace {

// A list file whose header is wrong: one of the jukeboxes is set aside (the
// next search writes a fresh one); any other file is only refused.
void ReportDamagedList(Game& g, const std::string& path, const std::string& problem) {
  if (FolderOf(path) == g.paths.data + "/jukelist/") {
    SetAsideDamagedFile(g, path, "list file", problem);
    return;
  }
  DebugLog(g, "# not a list file (" + problem + "): " + path);
  ShowMessage(g.display, g.NowMs(), "Not a list file: " + FileNameOf(path));
}

}  // namespace

ListFileRead LoadListFile(Game& g, const std::string& path, bool quiet) {
  if (!FileExists(path)) {
    if (!quiet)
      ShowMessageBox("error", "listfile " + path + "is not exist.", MessageBoxKind::Warning, !g.options.headless);
    return ListFileRead::Missing;
  }
  ClearSongList(g);
  LibraryState& l = g.library;
  DecodedList list;
  std::string problem = "larger than a list file can be";
  if (FileSize(path).value_or(0) <= kMaxListFileBytes) {
    auto bytes = ReadFileBytes(path);
    problem = bytes ? ListFileHeaderProblem(*bytes) : "it cannot be read";
    if (problem.empty()) list = DecodeListFile(*bytes);
  }
  if (!problem.empty()) ReportDamagedList(g, path, problem);
  l.SongList = std::move(list.entries);
  l.SongListLast = static_cast<int32_t>(l.SongList.size()) - 1;
  if (list.complete && list.modernRules != g.settings.ModernCharts) RefreshListRules(g, path);
  l.SongMarks.assign(l.SongList.size(), false);
  for (const SongEntry& e : l.SongList) l.TotalPlayTime += e.LengthMs;
  if (!list.complete && !quiet)
    ShowMessageBox("error", "an error occured in list loading process!", MessageBoxKind::Critical,
                   !g.options.headless);
  l.CurrentListFile = path;
  ShowListProgress(g);
  return problem.empty() ? ListFileRead::Read : ListFileRead::Damaged;
}

}  // namespace kvx
