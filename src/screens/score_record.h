#pragma once
// Per-chart score records: the ten-place ranking, the play count and the
// cleared flag, kept in a ".ksd" file beside the chart (or, for a chart in a
// read-only folder, under "_kvxfiles/ro_score").
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvx {

struct Game;

struct RankEntry {
  bool Cleared = false;
  std::string Name;  // up to 8 characters 32..127; space-padded on disk
  float Score = 0;   // 0 marks an empty place
  float JPts = 0;
  float HiSpeed = 0;  // -1 combo-linked hi-speed, 0 the zero setting
  float RealHiSpeed = 0;
  int16_t MaxCombo = 0;
  uint8_t Class = 0;         // 0..6, SS..E
  uint8_t CoverOption = 0;   // Hidden + 2 Sudden + 4 Stealth
  uint8_t RandomOption = 0;  // RandomLanes + 2 SpShuffle
  uint8_t EffectOption = 0;  // Accel + 2 Vexo + 4 BreakOnBad
  int16_t FGreatCount = 0, GreatCount = 0, GoodCount = 0, BadCount = 0, PoorCount = 0;

  bool operator==(const RankEntry&) const = default;
};

constexpr int kRankingPlaces = 10;
constexpr size_t kRankEntrySize = 44;
constexpr size_t kScoreFileSize = 4 + kRankingPlaces * kRankEntrySize + 2;  // 446
constexpr size_t kRankNameLength = 8;

struct ScoreRecord {
  int32_t PlayCount = 0;
  std::array<RankEntry, kRankingPlaces> Ranking{};
  bool ClearedFlag = false;

  bool operator==(const ScoreRecord&) const = default;
};

// The 446 bytes of a record file.
std::string EncodeScoreRecord(const ScoreRecord& record);
// Reads whatever fields the bytes hold; missing fields stay empty, numbers
// that are not finite read as 0, and name bytes outside 32..127 are dropped.
ScoreRecord DecodeScoreRecord(std::string_view bytes);

// Why the bytes cannot be a record file (too short, counts or option values
// out of range, scores that are not numbers or not in ranking order, names
// with control bytes); empty when they can.
std::string ScoreRecordProblem(std::string_view bytes);

// The record file beside a chart: everything after the last "." of the file
// name replaced by "ksd" (".ksd" appended when the name has no ".").
std::string ScoreFilePath(std::string_view chartPath);
// The record of a chart whose folder is read-only: "_kvxfiles/ro_score/",
// the chart's folder name, "/", the record file's name.
std::string ReadOnlyScoreFilePath(const Game& game, std::string_view chartPath);
// True when the chart's folder carries the read-only mark, or lies in the
// installed share folder of an installed korvex (even for root, who could write there).
bool ChartFolderReadOnly(const Game& game, std::string_view chartPath);
// Where SaveScoreDat writes the record of a chart.
std::string ScoreFileToWrite(const Game& game, std::string_view chartPath);
// Where readers find it: where SaveScoreDat writes; for a read-only folder
// that has no record under ro_score yet, the file beside the chart.
std::string ScoreFileToRead(const Game& game, std::string_view chartPath);
// The record of a chart (an empty one when there is none or it is damaged).
ScoreRecord ReadScoreRecord(const Game& game, std::string_view chartPath);
// The cleared flag of a chart's record, read where ReadScoreRecord reads;
// nothing when the chart has no record, false when it is damaged.
std::optional<bool> ReadClearedFlag(const Game& game, std::string_view chartPath);

// Loads the record of the entry under ListCursor (an empty record when there
// is none) into ScreensState::Record. A damaged record file is set aside and
// an empty record takes its place.
void LoadScoreDat(Game& game);
// Adds one to PlayCount and writes ScreensState::Record.
void SaveScoreDat(Game& game);
// After a play: sets the cleared marks, finds the ranking place of player 1's
// result and runs the name entry.
void AddScoreDat(Game& game);
// The place a score takes: the first whose score is strictly lower (an equal
// score ranks below), -1 when it does not rank.
int RankingPlaceOf(const ScoreRecord& record, float score);

// After a play: the record becomes pending (MarkRecordPending, as the result
// screen starts) and is then reloaded, ranked when `rank` and written
// (WriteRecordAfterPlay). WritePendingRecord, run on the way out of the
// program, writes a pending record at once (a ranked place takes the name
// offered in the name entry).
void MarkRecordPending(Game& game, bool rank);
void WriteRecordAfterPlay(Game& game, bool rank);
void WritePendingRecord(Game& game);

// Loads a dropped ".bpd" record-of-play file into the play recording list.
void ReadRecordOfPlay(Game& game, const std::string& path);
// The same with the file's bytes already read (nothing: it could not be read).
void LoadRecordOfPlay(Game& game, const std::string& path, const std::optional<std::string>& bytes);

}  // namespace kvx
