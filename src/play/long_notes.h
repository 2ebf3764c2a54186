#pragma once
// Long notes and mines in play (charts read under the modern rules).
//
// A long note is one note: the press on its start is judged as usual, and that
// judgement stands when the button is held until the end reaches the
// judgement line less the GOOD window. Letting go before turns it into a BAD
// that breaks the combo (it still counts once). A start that is never pressed
// is a POOR as usual. Automatic lanes and demo mode hold the note to its end.
//
// A mine crossing the judgement line while its lane is held costs the player
// value / 2 percent of gauge (ZZ empties it); mines are never notes.
#include <cstdint>

#include "play/judge_state.h"

namespace kvx {

struct Game;

// The end object of the long note that starts at objectIndex, or -1.
int32_t LongNoteEndOf(const Game& g, int32_t objectIndex);
// The start object of the long note that ends at objectIndex, or -1.
int32_t LongNoteStartOf(const Game& g, int32_t objectIndex);

// What a press on a long note's start earned, to take back on an early release.
struct LongNotePress {
  int32_t start = -1;  // -1: the candidate is not a long note's start
  int slot = 0;
  PlayerScore before;
};
// Before the press is judged: remembers the player's figures.
LongNotePress BeforeLongNotePress(const Game& g, int32_t candidate);
// After it was judged: a FGREAT, GREAT or GOOD start begins the hold.
void AfterLongNotePress(Game& g, int lane, const LongNotePress& press, bool consumed);
// An automatic lane (or demo mode) hit the start: it holds to the end.
void HoldLongNoteAutomatically(Game& g, int lane, int32_t start);

// Once per frame after the due objects: holds that reached their end are done,
// holds whose button was let go become a BAD.
void UpdateLongNoteHolds(Game& g);
// The object walk reached a note: a long note's start is remembered until
// its end, for its body.
void LongNoteStartReached(Game& g, int32_t objectIndex);
// The object walk reached a long note's end.
void LongNoteEndReached(Game& g, int32_t objectIndex);
// The object walk reached a mine.
void MineReached(Game& g, int32_t objectIndex);

// Whether a lane is holding a long note now (the play screen lights it).
bool LaneHoldsLongNote(const Game& g, int lane);

}  // namespace kvx
