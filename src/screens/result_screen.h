#pragma once
// The result screen after a play.
#include <cstdint>

namespace kvx {

struct Game;

// Runs the tally and shows its figures counting up over two seconds; ends
// after a press of a key-lane button (not the scratch or pedal lanes) or
// Escape, once play has ended and no network wait is pending.
void RunResultScreen(Game& game);
// A button went down on the result screen (code after the system-key
// mapping); Escape counts as lane 11.
void ProcessKey_Result(Game& game, int16_t code);
// R (its key code): after a play from the song list, ends the result screen
// and plays the same chart again with the same options (not in a course, a
// network battle, a jukebox play or a -S play).
constexpr int16_t kRetryKey = 19;
// The figures the screen shows t ms after it started: each is the final value
// x t / 2000 (integer division), the final value from 2000 ms on. The class
// follows the counted J-PTS.
struct ShownResult {
  int64_t Score = 0, ExPts = 0, JPts = 0, MaxCombo = 0;
  int64_t Counts[5] = {};  // FGREAT, GREAT, GOOD, BAD, POOR
  int Class = 6;
};
ShownResult ResultShownAt(const Game& game, uint32_t t);
// One frame of the result screen, t ms after it started (without presenting it).
void DrawResultScreen(Game& game, uint32_t t);
// Function numbers whose press ends the result screen: 11-15, 18, 19, 21-25, 28, 29.
bool EndsResultScreen(int function);

}  // namespace kvx
