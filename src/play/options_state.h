#pragma once
// Play options that are not settings, and the course effect in force. The
// saved options (HiSpeed, RealHiSpeed, Sleep, DRAWLIMIT, DEMOMode, ShowBGA,
// BMSPreview, Hidden, Sudden, Stealth, Reverse, Accel, Vexo) live in
// g.settings; combo-linked hi-speed mode is g.settings.ComboLinkedHiSpeed
// (switched on at load when HiSpeed is 0); the lane randomisation of the next
// chart read is g.chart.RandomLanes; the echo effect is g.sound.EchoEffect.
#include <cstdint>
#include <random>
#include <string>

namespace kvx {

// Course effect kinds.
constexpr uint8_t kEffectNone = 255;
constexpr uint8_t kEffectRestore = 0;
constexpr uint8_t kEffectTempoDown = 1;
constexpr uint8_t kEffectSpeedUp = 2;
constexpr uint8_t kEffectTempoUp = 3;
constexpr uint8_t kEffectShuffle = 4;
constexpr uint8_t kEffectBreak = 5;
constexpr uint8_t kEffectInert = 6;

struct PlayOptionsState {
  float TargetHiSpeed = 0;     // HiSpeed eases towards this; 0 = none
  bool RandomSpeed = false;    // a new target hi-speed at every bar line
  bool SpShuffle = false;      // super shuffle: ShuffleAhead every frame
  bool BreakOnBad = false;     // pressure mode
  bool OptionsChanged = false; // RealHiSpeed or DEMOMode changed during the play
  uint8_t CourseEffect = kEffectNone;
  uint32_t CourseEffectStart = 0;
  // The last message an option key or effect showed (also kept for the log).
  std::string LastOptionMessage;
  // Draws of the shuffle, the random speeds and the random effect key.
  std::mt19937 Rng{0x6b7678u};
};

}  // namespace kvx
