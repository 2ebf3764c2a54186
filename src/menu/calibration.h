#pragma once
// The calibration screen of the startup menu: a steady beat plays, the player
// taps with it, and the mean offset of the taps can be saved as JudgeOffsetMs.
#include <cstdint>
#include <optional>
#include <vector>

namespace kvx {

struct Game;

constexpr uint32_t kCalibrationBeatMs = 500;        // 120 beats per minute
constexpr uint32_t kCalibrationFirstBeatMs = 1000;  // from the opening to the first beat
constexpr int kCalibrationPracticeTaps = 2;   // the first taps are not counted
constexpr int kCalibrationMinTaps = 8;        // taps counted before the offset can be saved
constexpr int kCalibrationWindowWidth = 560;
constexpr int kCalibrationWindowHeight = 170;

struct CalibrationSummary {
  int taps = 0;
  int mean_ms = 0;    // rounded; positive: the taps come after the beat
  int spread_ms = 0;  // standard deviation, rounded
};

// A tap's offset from the nearest beat started so far (ms, positive when
// late); nothing when no beat is within half a beat of it.
std::optional<int32_t> TapOffset(const std::vector<uint32_t>& beats, uint32_t tap_ms);
// Mean and spread of the counted taps (the practice taps left out).
CalibrationSummary SummarizeTaps(const std::vector<int32_t>& offsets);

enum class CalibrationClick { None, Save, StartAgain, Close };
// The window's contents in the current Dear ImGui frame, over the whole
// viewport: the instructions, the beat box (lit while `flash`), the line of
// the taps and the buttons. Returns the button clicked.
CalibrationClick DrawCalibrationFrame(const Game& game, const CalibrationSummary& summary, bool sound, bool flash);

// Opens the calibration window over the startup menu and runs it until it is
// closed, on the game clock; a saved offset goes into the settings and their
// file. Without a window it runs only for a test's menu script (taps pushed as
// SDL key events).
void OpenCalibrationWindow(Game& game);

}  // namespace kvx
