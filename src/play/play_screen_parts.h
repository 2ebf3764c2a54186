#pragma once
// The pieces of one play-screen frame, drawn by DrawPlayScreen in this order:
// lanes and notes (play_screen.cpp), then the heads-up display
// (play_screen_hud.cpp): gauges, numbers, class letter, bombs, judgements,
// combo events and texts.
#include <cstdint>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "media/display.h"

namespace kvx {

struct Game;
struct SkinLayout;

namespace play_screen {

// Keyed copy from the skin image onto the back surface, clipped to the screen.
void SkinCopy(Game& g, int x, int y, const Rect& source);
// Keyed stretching copy from the skin image, clipped to the screen.
void SkinStretch(Game& g, const Rect& dest, const Rect& source);
// Keyed copy at (x, y), widened by `widen` pixels on each side (stretched).
void SkinCopyWidened(Game& g, int x, int y, const Rect& source, int widen);
// The KeyDefs entry that anchors a side (10 or 20): bar line object and lane x.
int AnchorOf(int side);
// Screen x and note object of a lane channel from the skin.
int LaneX(const Game& g, int channel);
int LaneObject(const Game& g, int channel);
// The skin channel whose geometry a lane channel uses (17 -> 16, 27 -> 26).
int DrawnChannel(int channel);
// Side 0 or 1 of a lane index (channel - 11).
int SideOfLane(int lane);
// round(PlayPosition) mod m, never negative.
int32_t PositionMod(const Game& g, int32_t m);
// Text on the back surface: the skin's bitmap font for plain ASCII, the
// window's TrueType font otherwise (Japanese titles); whole characters up to
// kPlayTextRight only, so a long title ends before the screen's edge.
constexpr int kPlayTextRight = 632;
void DrawPlayText(Game& g, int x, int y, const std::string& text);

// Where the judgement word and the combo digits after it go: the group is
// centred on centreX, and the digits keep clear of the word however far it is
// widened (the beat pulse and the spreading at the end of its second).
struct JudgementLayout {
  int wordLeft = 0;
  int digitsLeft = 0;
};
JudgementLayout LayOutJudgement(int centreX, int wordWidth, int widen, int digitsWidth);
// From one combo digit to the next: the widest digit picture and a gap, so
// digits that bob to different heights never touch.
constexpr int kComboDigitGap = 2;
int ComboDigitStep(const SkinLayout& skin);

// Long notes and mines (play_screen_long_notes.cpp): a body between two
// screen y (bottom below top), brighter while held; a long note's end cap; a
// mine; and the bodies of the long notes whose start has passed the line.
void DrawLongNoteBody(Game& g, int side, int channel, int32_t bottomY, int32_t topY, bool held, int widen);
void DrawLongNoteEnd(Game& g, int side, int channel, int32_t y, int widen);
void DrawMine(Game& g, int side, int channel, int32_t y, int widen);
void DrawPassedLongNotes(Game& g, int sides, int widen);

void DrawGauges(Game& g, int sides);
void DrawNumbers(Game& g, int sides);
void DrawClassLetter(Game& g);
void DrawBombs(Game& g, int sides);
void DrawJudgements(Game& g, int sides);
void DrawPlayTexts(Game& g);
// While paused: the screen dimmed, and a band saying so and naming the keys.
constexpr int kPauseBandTop = 196, kPauseBandBottom = 276;
struct PauseLine {
  GdiFont font;
  int x, y;
  std::string text;
  uint32_t rgb;
};
std::vector<PauseLine> PauseLines(Game& g);
void DrawPauseOverlay(Game& g);

// "0.0#": one decimal at least, two at most (1 -> "1.0", 1.25 -> "1.25").
std::string FormatHiSpeed(float value);
// "mm:ss" of a duration in ms (negative counts as 0).
std::string FormatMinutes(int64_t ms);
// The ticker window of a text: starts `step` code points further, wrapping.
std::string TickerText(const std::string& utf8, int64_t step);

}  // namespace play_screen
}  // namespace kvx
