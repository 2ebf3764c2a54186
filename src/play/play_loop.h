#pragma once
// The play clock and the play loop: turns clock time into a chart position,
// fires the objects that are due, feeds key presses to the judgement, runs the
// pause, the break, the ESC hold and the fades, and hands over to the result
// screen when the play ends.
#include <cstdint>

namespace kvx {

struct Game;

// Runs one play and what follows it (result screen or back to song select).
void StartPlay(Game& g);
// The loop itself; returns when QuitPlay is set.
void PlayLoop(Game& g);
// One pass of the loop: clock, due objects, key sounds, gauge history, ESC
// hold, drawing.
void UpdateFrame(Game& g);
// Sets a new chart tempo without a jump in position.
void BPMChange(Game& g, float bpm);
// Pause and resume (F12 during play, display loss).
void BMSPause(Game& g);
void BMSResume(Game& g);
// The time played so far at `now` (ms): the clock since the start less every
// pause, the running one included.
int64_t PlayedMs(const Game& g, uint32_t now);
// The one-second freeze of pressure mode and of the break course effect.
void StartBreak(Game& g);

// A key or button went down during play. The press is judged at the play
// position of the moment it happened (eventMs on the game clock), not at the
// moment the frame gets round to it; the one-argument form uses the press
// time that the input devices recorded for the code, or now.
void ProcessKey_Play(Game& g, int keycode);
void ProcessKey_Play(Game& g, int keycode, uint32_t eventMs);
// The play part of a button release: ESC ends the hold, a lane's key stops
// being pressed and its beam goes out.
void ButtonUp_Play(Game& g, int keycode);

// The 20 ms timer body of the sound-only chart preview behind song select.
void PreviewTick(Game& g);

// The play position at a tick of the game clock under the current tempo.
double PlayPositionAt(const Game& g, uint32_t tick);
// The colour of a judgement display code (4 FGREAT .. 0 POOR) as 0xBBGGRR.
int32_t JudgementColour(int32_t displayCode);

}  // namespace kvx
