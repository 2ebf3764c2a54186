// Score records: the record file's bytes, where it lives, and the steps after
// a play that load, rank and write it.
#include "screens/score_record.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

#include "app/damaged_file.h"
#include "app/game.h"
#include "media/display.h"
#include "platform/files.h"
#include "screens/ranking_screen.h"
#include "screens/screens_state.h"

namespace kvx {

namespace {

// ---- Bytes ----------------------------------------------------------------------

class LittleEndianWriter {
 public:
  void U16(uint16_t v) {
    bytes_ += static_cast<char>(v & 0xFF);
    bytes_ += static_cast<char>(v >> 8);
  }
  void I16(int16_t v) { U16(static_cast<uint16_t>(v)); }
  void I32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    U16(static_cast<uint16_t>(u & 0xFFFF));
    U16(static_cast<uint16_t>(u >> 16));
  }
  void F32(float v) {
    int32_t bits;
    std::memcpy(&bits, &v, 4);
    I32(bits);
  }
  void U8(uint8_t v) { bytes_ += static_cast<char>(v); }
  void Bool(bool v) { I16(v ? -1 : 0); }
  void Text(const std::string& s, size_t width) {
    std::string field = s.substr(0, std::min(s.size(), width));
    field.resize(width, ' ');
    bytes_ += field;
  }
  std::string& bytes() { return bytes_; }

 private:
  std::string bytes_;
};

// Reads fields in order; a field not wholly inside the bytes reads as zero.
class LittleEndianReader {
 public:
  explicit LittleEndianReader(std::string_view bytes) : bytes_(bytes) {}
  // A field of at most four bytes.
  uint32_t Unsigned(size_t width) {
    uint32_t v = 0;
    if (at_ + width <= bytes_.size())
      for (size_t i = 0; i < width; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(bytes_[at_ + i])) << (8 * i);
    at_ += width;
    return v;
  }
  void Skip(size_t width) { at_ += width; }
  int16_t I16() { return static_cast<int16_t>(Unsigned(2)); }
  int32_t I32() { return static_cast<int32_t>(Unsigned(4)); }
  uint8_t U8() { return static_cast<uint8_t>(Unsigned(1)); }
  bool Bool() { return Unsigned(2) != 0; }
  float F32() {
    const uint32_t bits = Unsigned(4);
    float v;
    std::memcpy(&v, &bits, 4);
    return std::isfinite(v) ? v : 0.0f;
  }
  // The name: bytes 32..127 only, trailing padding removed.
  std::string Text(size_t width) {
    std::string s;
    for (size_t i = 0; i < width && at_ + width <= bytes_.size(); ++i) {
      const auto c = static_cast<uint8_t>(bytes_[at_ + i]);
      if (c >= 32 && c <= 127) s += static_cast<char>(c);
    }
    at_ += width;
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }

 private:
  std::string_view bytes_;
  size_t at_ = 0;
};

int16_t ClampTo16(int32_t v) {
  return static_cast<int16_t>(std::clamp<int32_t>(v, std::numeric_limits<int16_t>::min(),
                                                  std::numeric_limits<int16_t>::max()));
}

// ---- The entry under the cursor and the result of the play -----------------------

const SongEntry* EntryUnderCursor(const Game& g) {
  const auto& list = g.library.SongList;
  const int i = g.app.ListCursor;
  if (i < 0 || i >= static_cast<int>(list.size()) || list[i].FilePath.empty()) return nullptr;
  return &list[i];
}

float RecordedHiSpeed(const Game& g) {
  if (g.settings.ComboLinkedHiSpeed) return -1.0f;
  return g.settings.HiSpeed;  // 0 after a play in random-speed mode
}

// Player 1's entry for the play just ended, without the name.
RankEntry EntryOfPlay(const Game& g) {
  const ResultFigures& r = g.judge.Result[0];
  const Settings& s = g.settings;
  RankEntry e;
  e.Cleared = g.judge.Player[0].Gauge >= 80.0f;
  e.Score = static_cast<float>(r.Score);
  e.JPts = r.JPoints;
  e.HiSpeed = RecordedHiSpeed(g);
  e.RealHiSpeed = s.RealHiSpeed;
  e.MaxCombo = ClampTo16(r.MaxCombo);
  e.Class = static_cast<uint8_t>(std::clamp(r.Class, 0, 6));
  e.CoverOption = static_cast<uint8_t>(s.Hidden + 2 * s.Sudden + 4 * s.Stealth);
  e.RandomOption = static_cast<uint8_t>(g.chart.RandomLanes + 2 * g.playopt.SpShuffle);
  e.EffectOption = static_cast<uint8_t>(s.Accel + 2 * s.Vexo + 4 * g.playopt.BreakOnBad);
  e.FGreatCount = ClampTo16(r.CountFGreat);
  e.GreatCount = ClampTo16(r.CountGreat);
  e.GoodCount = ClampTo16(r.CountGood);
  e.BadCount = ClampTo16(r.CountBad);
  e.PoorCount = ClampTo16(r.CountPoor);
  return e;
}

void MarkEntryCleared(Game& g) {
  LibraryState& lib = g.library;
  const int i = g.app.ListCursor;
  if (i < 0 || i >= static_cast<int>(lib.SongList.size())) return;
  if (lib.SongMarks.size() < lib.SongList.size()) lib.SongMarks.resize(lib.SongList.size(), false);
  lib.SongMarks[i] = true;
  g.screens.ClearMarks.Set(lib.SongList[i].FilePath, true);
}

}  // namespace

// ---- The record file ---------------------------------------------------------------

std::string EncodeScoreRecord(const ScoreRecord& record) {
  LittleEndianWriter w;
  w.I32(record.PlayCount);
  for (const RankEntry& e : record.Ranking) {
    w.Bool(e.Cleared);
    w.Text(e.Name, kRankNameLength);
    w.F32(e.Score);
    w.F32(e.JPts);
    w.F32(e.HiSpeed);
    w.F32(e.RealHiSpeed);
    w.I16(e.MaxCombo);
    w.U8(e.Class);
    w.U8(e.CoverOption);
    w.U8(e.RandomOption);
    w.U8(e.EffectOption);
    w.I16(0);
    for (int16_t count : {e.FGreatCount, e.GreatCount, e.GoodCount, e.BadCount, e.PoorCount}) w.I16(count);
  }
  w.Bool(record.ClearedFlag);
  return std::move(w.bytes());
}

ScoreRecord DecodeScoreRecord(std::string_view bytes) {
  LittleEndianReader r(bytes.substr(0, std::min(bytes.size(), kScoreFileSize)));
  ScoreRecord record;
  record.PlayCount = r.I32();
  for (RankEntry& e : record.Ranking) {
    e.Cleared = r.Bool();
    e.Name = r.Text(kRankNameLength);
    e.Score = r.F32();
    e.JPts = r.F32();
    e.HiSpeed = r.F32();
    e.RealHiSpeed = r.F32();
    e.MaxCombo = r.I16();
    e.Class = r.U8();
    e.CoverOption = r.U8();
    e.RandomOption = r.U8();
    e.EffectOption = r.U8();
    r.I16();
    for (int16_t* count : {&e.FGreatCount, &e.GreatCount, &e.GoodCount, &e.BadCount, &e.PoorCount})
      *count = r.I16();
  }
  record.ClearedFlag = r.Bool();
  return record;
}

namespace {

// The problem of one ranking entry at `at`, or empty.
std::string RankEntryProblem(std::string_view b, size_t at) {
  LittleEndianReader r(b.substr(at, kRankEntrySize));
  r.Unsigned(2);  // Cleared: any value other than 0 is true
  for (size_t i = 0; i < kRankNameLength; ++i) {
    const auto c = static_cast<uint8_t>(b[at + 2 + i]);
    if (c != 0 && c < 32) return "a name with control bytes";
  }
  r.Skip(kRankNameLength);
  float numbers[4];
  for (float& f : numbers) {
    const uint32_t bits = r.Unsigned(4);
    std::memcpy(&f, &bits, 4);
    if (!std::isfinite(f)) return "a figure that is not a number";
  }
  const float score = numbers[0], hiSpeed = numbers[2], realHiSpeed = numbers[3];
  if (score < 0 || score > 1e7f) return "a score out of range";
  if (hiSpeed < -1 || hiSpeed > 100 || realHiSpeed < 0 || realHiSpeed > 100) return "a speed out of range";
  if (r.I16() < 0) return "a negative combo";
  if (r.U8() > 6) return "a class out of range";
  const uint8_t cover = r.U8(), random = r.U8(), effect = r.U8();
  if (cover > 7 || random > 3 || effect > 7) return "option values out of range";
  if (r.I16() != 0) return "a reserved field that is not 0";
  for (int i = 0; i < 5; ++i)
    if (r.I16() < 0) return "a negative judgement count";
  return {};
}

float ScoreAt(std::string_view b, size_t entry) {
  LittleEndianReader r(b.substr(4 + entry * kRankEntrySize + 10, 4));
  return r.F32();
}

}  // namespace

std::string ScoreRecordProblem(std::string_view b) {
  if (b.size() < kScoreFileSize)
    return "only " + std::to_string(b.size()) + " of " + std::to_string(kScoreFileSize) + " bytes";
  if (LittleEndianReader(b).I32() < 0) return "a negative play count";
  for (size_t i = 0; i < kRankingPlaces; ++i) {
    std::string problem = RankEntryProblem(b, 4 + i * kRankEntrySize);
    if (!problem.empty()) return problem + " in place " + std::to_string(i + 1);
    if (i > 0 && ScoreAt(b, i) > ScoreAt(b, i - 1)) return "places out of score order";
  }
  return {};
}

// ---- Where the record lives -------------------------------------------------------

std::string ScoreFilePath(std::string_view chartPath) {
  const std::string path = NormalizeSeparators(chartPath);
  const auto slash = path.find_last_of('/');
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ".ksd";
  return path.substr(0, dot + 1) + "ksd";
}

namespace {

std::string ReadOnlyScoreFilePathIn(const Paths& paths, std::string_view chartPath) {
  const std::string record = ScoreFilePath(chartPath);
  std::string folder = FolderOf(record);
  if (!folder.empty()) folder.pop_back();  // the trailing "/"
  const std::string folderName = FileNameOf(folder);
  return JoinPath(JoinPath(paths.In("ro_score"), folderName), FileNameOf(record));
}

bool ChartFolderReadOnlyIn(const Paths& paths, std::string_view chartPath) {
  const std::string folder = FolderOf(NormalizeSeparators(chartPath));
  if (paths.installed && folder.rfind(paths.program + "/", 0) == 0) return true;
  return IsReadOnly(folder.empty() ? "." : folder);
}

std::string ScoreFileToReadIn(const Paths& paths, std::string_view chartPath) {
  if (!ChartFolderReadOnlyIn(paths, chartPath)) return ScoreFilePath(chartPath);
  const std::string elsewhere = ReadOnlyScoreFilePathIn(paths, chartPath);
  return FileExists(elsewhere) ? elsewhere : ScoreFilePath(chartPath);
}

}  // namespace

std::string ReadOnlyScoreFilePath(const Game& g, std::string_view chartPath) {
  return ReadOnlyScoreFilePathIn(g.paths, chartPath);
}

bool ChartFolderReadOnly(const Game& g, std::string_view chartPath) { return ChartFolderReadOnlyIn(g.paths, chartPath); }

std::string ScoreFileToWrite(const Game& g, std::string_view chartPath) {
  return ChartFolderReadOnly(g, chartPath) ? ReadOnlyScoreFilePath(g, chartPath) : ScoreFilePath(chartPath);
}

std::string ScoreFileToRead(const Game& g, std::string_view chartPath) { return ScoreFileToReadIn(g.paths, chartPath); }

namespace {

// The record's bytes: no more than a record holds, however long the file.
std::optional<std::string> ReadRecordBytes(const std::string& path) {
  if (!FileExists(path)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes(kScoreFileSize, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return bytes;
}

}  // namespace

ScoreRecord ReadScoreRecord(const Game& g, std::string_view chartPath) {
  auto bytes = ReadRecordBytes(ScoreFileToRead(g, chartPath));
  return bytes && ScoreRecordProblem(*bytes).empty() ? DecodeScoreRecord(*bytes) : ScoreRecord{};
}

std::optional<bool> ReadClearedFlag(const Game& g, std::string_view chartPath) {
  return ReadClearedFlag(g.paths, chartPath);
}

std::optional<bool> ReadClearedFlag(const Paths& paths, std::string_view chartPath) {
  auto bytes = ReadRecordBytes(ScoreFileToReadIn(paths, chartPath));
  if (!bytes) return std::nullopt;
  return ScoreRecordProblem(*bytes).empty() && DecodeScoreRecord(*bytes).ClearedFlag;
}

// ---- After a play -------------------------------------------------------------------

void LoadScoreDat(Game& g) {
  const SongEntry* entry = EntryUnderCursor(g);
  g.screens.Record = ScoreRecord{};
  if (!entry) return;
  const std::string path = ScoreFileToRead(g, entry->FilePath);
  auto bytes = ReadRecordBytes(path);
  if (!bytes) return;
  const std::string problem = ScoreRecordProblem(*bytes);
  if (problem.empty()) g.screens.Record = DecodeScoreRecord(*bytes);
  else SetAsideDamagedFile(g, path, "score record", problem);
}

void SaveScoreDat(Game& g) {
  ScoreRecord& record = g.screens.Record;
  if (record.PlayCount < std::numeric_limits<int32_t>::max()) ++record.PlayCount;
  const SongEntry* entry = EntryUnderCursor(g);
  if (!entry) {
    DebugLog(g, "[SaveScoreDat] no chart under the cursor; the record is not written");
    return;
  }
  if (ChartFolderReadOnly(g, entry->FilePath)) {
    // The folders below the data folder, one level at a time; errors are ignored.
    const std::string target = ReadOnlyScoreFilePath(g, entry->FilePath);
    MakeFolder(g.paths.In("ro_score"));
    MakeFolder(FolderOf(target));
  }
  const std::string path = ScoreFileToWrite(g, entry->FilePath);
  std::string error;
  // A record beside the chart never follows a link a chart pack may ship.
  if (WriteFileSafely(path, EncodeScoreRecord(record), true, &error, LinkRule::Refuse)) {
    DebugLog(g, "[SaveScoreDat] " + path + " PlayCount: " + std::to_string(record.PlayCount));
  } else {
    DebugLog(g, "[SaveScoreDat] Error: can't write the record file " + path + " (" + error + ")");
    ShowMessage(g.display, g.NowMs(), "Score record could not be saved!");
  }
}

int RankingPlaceOf(const ScoreRecord& record, float score) {
  for (int i = 0; i < kRankingPlaces; ++i)
    if (record.Ranking[i].Score < score) return i;
  return -1;
}

namespace {

// AddScoreDat, with or without the name entry.
void AddToRecord(Game& g, bool ask_name) {
  ScoreRecord& record = g.screens.Record;
  RankEntry entry = EntryOfPlay(g);
  if (entry.Cleared) {
    record.ClearedFlag = true;
    MarkEntryCleared(g);
  }
  const int place = RankingPlaceOf(record, entry.Score);
  if (place < 0) return;
  if (g.playopt.OptionsChanged) {
    DebugLog(g, "[AddScoreDat] a play setting was changed during the play: not ranked");
    return;
  }
  std::move_backward(record.Ranking.begin() + place, record.Ranking.end() - 1, record.Ranking.end());
  // The place holds the offered name while the entry runs, so a record
  // written on the way out of the program keeps the play.
  entry.Name = StorableRankingName(g.screens.RankingName);
  record.Ranking[place] = entry;
  if (ask_name) RunRankingNameEntry(g, place, entry);
  entry.Name = StorableRankingName(g.screens.RankingName);
  g.screens.RankingName = entry.Name;  // offered again at the next entry
  record.Ranking[place] = entry;
  DebugLog(g, "[AddScoreDat] ranked " + std::to_string(place + 1) + ": " + entry.Name);
}

}  // namespace

void AddScoreDat(Game& g) { AddToRecord(g, true); }

void MarkRecordPending(Game& g, bool rank) {
  g.screens.PendingRecord = ScreensState::RecordStep::AfterPlay;
  g.screens.PendingRecordRanks = rank;
}

void WriteRecordAfterPlay(Game& g, bool rank) {
  LoadScoreDat(g);
  g.screens.PendingRecord = ScreensState::RecordStep::Ranking;
  if (rank) AddScoreDat(g);
  g.screens.PendingRecord = ScreensState::RecordStep::None;
  SaveScoreDat(g);
}

void WritePendingRecord(Game& g) {
  const auto step = g.screens.PendingRecord;
  if (step == ScreensState::RecordStep::None) return;
  g.screens.PendingRecord = ScreensState::RecordStep::None;
  DebugLog(g, "[WritePendingRecord] the program ends: the record of the play is written now");
  if (step == ScreensState::RecordStep::AfterPlay) {
    LoadScoreDat(g);
    if (g.screens.PendingRecordRanks) AddToRecord(g, false);
  }
  SaveScoreDat(g);
}

}  // namespace kvx
