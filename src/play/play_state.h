#pragma once
// State of the play clock and the play loop: the position in the chart, the
// play flags, the per-lane arrays, the fade, the recording list and the gauge
// history. Written by the play loop (play_loop.cpp), the chart seek and the
// judgement; read by the play screen and the result screen.
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "chart/chart_state.h"

namespace kvx {

constexpr int kLaneCount = 19;          // channels 11..29, index = channel - 11
constexpr int kGaugeHistoryLength = 300;
constexpr int kMaxRecordEvents = 100000; // cap of the per-play recording list

// Fade states of the play screen.
constexpr uint8_t kFadeNone = 0;
constexpr uint8_t kFadeClose = 1;        // end of chart or ESC held
constexpr uint8_t kFadeBrighten = 2;     // other screens
constexpr uint8_t kFadeFailed = 3;
constexpr uint8_t kFadeIntro = 200;
constexpr uint8_t kFadeStage = 201;      // course song change with a stage image

// Channels of special objects.
constexpr int kChannelBarLine = -1;
constexpr int kChannelSongChange = -2;

// A long note being held on a lane (modern charts): what the press on its
// start earned, to take back if the button is let go too early.
struct LongNoteHold {
  int32_t start = -1, end = -1;  // object indices; start -1: no hold
  bool automatic = false;        // an automatic lane or demo mode holds it
  int slot = 0;
  int32_t code = 0;              // the judgement of the start
  double scoreEarned = 0;
  float gaugeEarned = 0, jpointsEarned = 0;
};

inline std::array<int32_t, kLaneCount> MakeNoLongNotes() {
  std::array<int32_t, kLaneCount> none;
  none.fill(-1);
  return none;
}

struct PlayState {
  // The play clock.
  uint32_t PlayStartTime = 0;  // tick at which ElapsedMs is 0
  int32_t ElapsedMs = 0;
  // Position at elapsed 0 under the current rate: whole units under the
  // classic rules, exact under the modern ones.
  double BasePosition = 0;
  double PositionRate = 120.0 / kMsPerUnitAtOneBpm;  // units per ms
  float EffectiveBPM = 120;    // chart BPM x RealHiSpeed
  float InitialBPM = 120;      // the chart's start BPM
  float UnitsPerSecond = 120.0f / 240 * 192;
  double PlayPosition = 0;
  int32_t NextObject = 0;      // first object not yet processed
  int32_t CandidateCursor = 0; // first object that may still await a judgement
  int32_t KeySoundCursor = 0;  // cursor into the chart's key-sound list
  // A stop (modern charts) holds the position at StopPosition until the clock
  // formula passes it again. The chart seek applied the stops of the objects
  // before SeekIndex.
  bool StopActive = false;
  double StopPosition = 0;
  double StopBeganMs = 0;  // elapsed ms at which the play reached the stop
  int32_t StopUnits = 0;   // its length in position units
  int32_t SeekIndex = 0;

  // Play flags.
  bool Playing = false;
  bool QuitPlay = false;
  bool FixedGaugeMode = false;
  bool Failed = false;
  uint32_t FailedTime = 0;
  bool Paused = false;
  float PausedBPM = 0;
  uint32_t PauseStart = 0;  // when the running pause began (ms)
  int64_t PausedMs = 0;     // the pauses of this play that have ended, in all
  bool BreakActive = false;
  uint32_t BreakStart = 0;
  uint8_t FadeState = kFadeNone;
  uint32_t FadeStart = 0;
  uint8_t FadeMayFinish = 0;
  bool EscHeld = false;
  uint32_t EscDownTime = 0;
  bool ReachedEnd = false;
  // Chart sounds (ids 1..255) that were playing when a pause or break stopped them.
  std::array<bool, kMediaIds> SoundWasPlaying{};
  // Music attenuation of the song-select music during a background preview,
  // hundredths of a decibel (0 after each real play).
  int32_t PreviewFadeVolume = 0;

  // Per-lane arrays, index = channel - 11.
  std::array<int32_t, kLaneCount> LaneKeySound{};
  std::array<int32_t, kLaneCount> LaneCandidate{};
  std::array<uint8_t, kLaneCount> KeyFlash{};
  std::array<float, kLaneCount> KeyBeam{};  // eased key-beam brightness, 0..1
  std::array<LongNoteHold, kLaneCount> Holds{};
  // The long note whose start the walk has passed and whose end it has not
  // (object index of the start, -1 none): its body is drawn from the line.
  std::array<int32_t, kLaneCount> PassedLongNoteStart = MakeNoLongNotes();

  // The last bar line passed (for the play screen and recordings).
  int32_t LastBarMeasure = 0;
  int32_t LastBarPosition = 0;

  // Recording list: key presses in the chart-object layout (UserRec appends,
  // PlayRec replays, a dropped record-of-play file fills it).
  std::vector<ChartObject> RecordList;
  // When set, the time each lane press is judged at (benchmarks of timing).
  std::vector<uint32_t>* PressTrace = nullptr;
  int32_t ReplayCursor = 0;
  int32_t ReplayLimit = 0;  // records present when the play started (replayed ones)

  // Gauge history, two players.
  std::array<std::array<uint8_t, kGaugeHistoryLength>, 2> GaugeHistory{};
  std::array<float, 2> GaugeSamples{};
  float GaugeSampleInterval = 0;  // chart length in ms / 300

  // Sounds the look-ahead preload tried this play (a failing file is tried once).
  std::array<bool, kMediaIds> PreloadTried{};
  // The tempo shown by the play screen's BPM digits.
  float DisplayedBPM = 120;
  // Random draws of the play (random-speed targets, gauge flicker).
  std::mt19937 rng{20250611u};

  // Frame bookkeeping for the play screen: frames drawn since the play started.
  uint32_t FrameCount = 0;
  // Time spent inside the last frame (update + draw), for diagnostics.
  uint32_t LastFrameMs = 0;
};

}  // namespace kvx
