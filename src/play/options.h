#pragma once
// Play options and course effects: the option keys, the hi-speed, play-speed
// and sleep steps, the course effects driven by EffectTick, the shuffle, the
// note modifiers of the play screen and the draw limit.
#include <cstdint>

namespace kvx {

struct Game;

// Eases the displayed values and runs the course effects; per frame and from
// the 1 ms window timer.
void EffectTick(Game& game);
// The shuffle effect's note remapping ahead of the screen.
void ShuffleAhead(Game& game);

// The option keys (1..5, F7..F11, keypad), handled by ButtonDown on every
// screen after the screen's own key handler. "Held" keys are read from
// app.ButtonState.
void ProcessOptionKeys(Game& game, int16_t code);
// The play-option keys of song select: F1 visibility modifiers, F2 lane
// randomisation, F3 Accel, F4 Vexo, F12 pressure mode. True when the code was
// one of them.
bool ProcessSongSelectOptionKeys(Game& game, int16_t code);

// The steps behind the keys.
void HiSpeedDown(Game& game);
void HiSpeedUp(Game& game);
void RealHiSpeedDown(Game& game);
void RealHiSpeedUp(Game& game);
void SleepDown(Game& game);
void SleepUp(Game& game);
// Starts a course effect (kind 1..6) now; network attacks and the keypad 9 key.
void StartCourseEffect(Game& game, int kind);

// Where a note is drawn: y before the modifiers is
// round(judgeY + (PlayPosition - position) x HiSpeed).
struct NoteDrawPos {
  bool visible = true;
  int32_t y = 0;      // the drawn y (after Accel, Vexo and Reverse)
  int32_t widen = 0;  // pixels added on each side (Vexo)
};
int32_t NoteYFromLine(const Game& game, int32_t judgeY, double position);
// The play position the notes are drawn at: VisualOffsetMs behind the clock.
double DrawnPlayPosition(const Game& game);
// Applies Hidden, Stealth, Sudden, Accel, Vexo and Reverse in that order to a
// note at screen y. Bar lines (isNote false) are never hidden.
NoteDrawPos ApplyNoteModifiers(const Game& game, int32_t judgeY, int32_t y, bool isNote = true);

// What the draw limit (DRAWLIMIT 1..3) leaves out. Level 1 draws everything;
// level 2 leaves out the key beams, the progress marks, the class letter and
// the texts (hi-speed, time, ESC bar, ticker, echo); level 3 also the panels.
enum class DrawElement { KeyBeams, ProgressMarks, ClassLetter, Texts, Panels };
bool DrawLimitAllows(const Game& game, DrawElement element);

}  // namespace kvx
