#pragma once
// Per-chart score records: the ten-place ranking, the play count and the
// cleared flag, kept in a ".ksd" file beside the chart.
#include <array>
#include <cstdint>
#include <string>

namespace kvx {

struct Game;

struct RankEntry {
  bool Cleared = false;
  std::string Name;  // up to 8 characters; space-padded on disk
  float Score = 0;
  float JPts = 0;
  float HiSpeed = 0;
  float RealHiSpeed = 0;
  int16_t MaxCombo = 0;
  uint8_t Class = 0;
  uint8_t CoverOption = 0;
  uint8_t RandomOption = 0;
  uint8_t EffectOption = 0;
  int16_t FGreatCount = 0, GreatCount = 0, GoodCount = 0, BadCount = 0, PoorCount = 0;
};

struct ScoreRecord {
  int32_t PlayCount = 0;
  std::array<RankEntry, 10> Ranking{};
  bool ClearedFlag = false;
};

// Loads the record of the chart under ListCursor (an empty record when there
// is none) into ScreensState::Record.
void LoadScoreDat(Game& game);
// Adds one to PlayCount and writes the record.
void SaveScoreDat(Game& game);
// Sets the cleared marks, finds the ranking place and runs the name entry.
void AddScoreDat(Game& game);
// Loads a dropped ".bpd" record-of-play file into the play recording list.
void ReadRecordOfPlay(Game& game, const std::string& path);

}  // namespace kvx
