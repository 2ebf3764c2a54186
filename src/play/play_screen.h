#pragma once
// The play screen: composes one frame of play on the back surface from the
// skin and presents it. Missed-note detection and the choice of each lane's
// candidate note run here because they walk the visible notes.
#include <cstdint>

namespace kvx {

struct Game;

// Draws one frame starting the note walk at objectIndex (NextObject; 0 in the
// intro) and presents it. Draws nothing when objectIndex is past the object
// count, the display is lost or a background preview runs.
void DrawPlayScreen(Game& g, int32_t objectIndex);

// The y of the judgement line of a side (0 or 1) from the skin.
int32_t JudgeLineY(const Game& g, int side);
// Screen y of a chart position on a side before the note modifiers:
// round(JudgeY + (PlayPosition - position) x HiSpeed).
int32_t NoteScreenY(const Game& g, int side, double position);
// Runs the fade of FadeState for this frame: the darkening amount (0..100) it
// applies, the chart sound volumes, and the end of the fade (QuitPlay).
int32_t UpdatePlayFade(Game& g);

}  // namespace kvx
