#pragma once
// The ranking name entry: the ranking screen shown while a player who made
// the ranking types a name.
#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "screens/score_record.h"

namespace kvx {

struct Game;

// Runs the name entry for `place` (0..9) of ScreensState::Record, whose other
// rows are already in their new places; `entry` is the new row without its
// name. Returns when ProcessKey_EnterName has ended the entry.
void RunRankingNameEntry(Game& game, int place, const RankEntry& entry);
// One typed character: 32..127 append, 8 removes the last character, 13 or
// 27 end the entry ("VeXo :-" for an empty name); others are ignored.
void ProcessKey_EnterName(Game& game, int16_t character);
// The name as stored: bytes 32..127 only, at most 8 of them.
std::string StorableRankingName(const std::string& name);
// One frame of the ranking screen (without presenting it).
void DrawRankingScreen(Game& game, int place, const RankEntry& entry);

// Where the ranking screen puts its columns, from the skin's font and digit
// widths: each column as wide as its widest text, two characters apart.
struct RankingColumns {
  int no = 0, name = 0, score = 0, jpts = 0, combo = 0, hs = 0, rhs = 0, cls = 0, right = 0;
};
RankingColumns RankingColumnsFor(const Game& game);
// The top of place i's row (i from 0), and its height.
int RankingRowTop(int place);
constexpr int kRankingRowHeight = 30;
// The class picture of a row: scaled into the row beside the texts.
Rect RankingClassRect(const Game& game, int row_top, int cls);

}  // namespace kvx
