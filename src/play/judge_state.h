#pragma once
// Judgement, gauge and score state of a play: two player slots, the shared
// J-PTS maximum, the display events of the play screen, the plots of the
// progress graph and the result figures. Written by Judge, ResetPlayState and
// the easing of EffectTick; read by the play screen, the play loop, the
// network battle and the result screen.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "media/system_sounds.h"

namespace kvx {

// Display codes of the judgements (also the skin's judgement image index).
constexpr int32_t kJudgeFGreat = 4;
constexpr int32_t kJudgeGreat = 3;
constexpr int32_t kJudgeGood = 2;
constexpr int32_t kJudgeBad = 1;
constexpr int32_t kJudgePoor = 0;
constexpr int32_t kJudgeNone = -1;

// J-PTS earned by one exact judgement; JPointsMax grows by this per judgement.
constexpr int32_t kJPointsPerNote = 18;
// Class index shown before anything is judged (E).
constexpr int32_t kClassNone = 6;
// The progress graph keeps at most this many plots per play.
constexpr size_t kMaxGraphPlots = 70000;

// A number of the play screen as digit codes, most significant first; 10 is
// the minus sign.
struct DigitString {
  std::array<int8_t, 16> digit{};
  int8_t count = 0;
};

// A timed display event (combo break, combo milestone).
struct ComboEvent {
  bool active = false;
  int32_t combo = 0;
  uint32_t time = 0;
};

struct PlayerScore {
  float Gauge = 22;
  float DisplayedGauge = 0;
  double Score = 0;
  double DisplayedScore = 0;
  float JPoints = 0;
  float DisplayedJPoints = 0;
  int32_t Combo = 0, MaxCombo = 0;
  int32_t CountFGreat = 0, CountGreat = 0, CountGood = 0, CountBad = 0, CountPoor = 0;
  int32_t LastJudgement = kJudgeNone;
  uint32_t LastJudgementTime = 0;
  // Digits of Combo: count = digits - 1, -1 hides the combo.
  int16_t ComboDigitCount = -1;
  std::array<int16_t, 5> ComboDigits{};
  // Numbers of the play screen (UpdateNumberDigits).
  DigitString JPointsDigits, ScoreDigits, GaugeDigits;
  ComboEvent ComboBreak, ComboMilestone;
};

// One cell of the progress graph (cell = index into the skin's JGraphCells).
struct GraphPlot {
  int32_t x = 0, y = 0, cell = 0;
};
// The number of a broken combo written on the progress graph.
struct GraphLabel {
  int32_t x = 0, y = 0, number = 0;
  uint32_t rgb = 0;  // 0xRRGGBB
};

// The figures of the result screen for one slot.
struct ResultFigures {
  double Score = 0;
  int32_t ExPts = 0;
  float JPoints = 0;
  int32_t MaxCombo = 0;
  int32_t Class = kClassNone;
  bool Cleared = false;
  int32_t CountFGreat = 0, CountGreat = 0, CountGood = 0, CountBad = 0, CountPoor = 0;
};

// Timing feedback of one slot, from the offsets the judgements were made
// with: each press's signed offset in ms (negative = early), the missed notes,
// and FAST/SLOW for every judgement other than FGREAT (a miss is SLOW, a
// press a whole window early FAST).
struct TimingRecord {
  std::vector<float> OffsetsMs;  // presses in judgement order, at most kMaxGraphPlots
  int32_t Misses = 0;
  int32_t Fast = 0, Slow = 0;
  int32_t LastSign = 0;      // of the last judgement: -1 FAST, 1 SLOW, 0 none (FGREAT)
  float LastOffsetMs = 0;    // of the last press
};

struct JudgeState {
  std::array<PlayerScore, 2> Player{};
  int32_t JPointsMax = 0;             // 18 per judgement, both sides
  std::array<float, 2> LastOffset{};  // per chart side, for the steady-timing rule
  int32_t ClassShown = kClassNone;    // class letter on the play screen

  // Bombs (FGREAT and GREAT), per lane = channel - 11.
  std::array<bool, 19> BombActive{};
  std::array<uint32_t, 19> BombTime{};
  // The poor image in the background (BAD and POOR) and the position it was raised at.
  bool PoorImageShown = false;
  double PoorImagePosition = 0;
  // Set when the poor image comes or goes; whoever redraws the background clears it.
  bool BgaChanged = false;

  // Progress graph of this play, in judgement order. The graph drawer plots
  // the entries from its own cursor onwards (GraphPlotsDrawn, GraphLabelsDrawn).
  std::vector<GraphPlot> GraphPlots;
  std::vector<GraphLabel> GraphLabels;
  size_t GraphPlotsDrawn = 0, GraphLabelsDrawn = 0;

  std::array<TimingRecord, 2> Timing{};

  // Result tally (RunResultTally).
  std::array<ResultFigures, 2> Result{};
  int ResultSound = kSeResClear;  // kSeResClear or kSeResFail
};

}  // namespace kvx
