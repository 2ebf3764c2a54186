#pragma once
// Small synthesiser for the demo songs: one call renders one key sound
// (an instrument at a pitch, or a drum). Everything is deterministic.
#include <cstdint>
#include <vector>

#include "writers.h"

namespace assetgen::demo {

constexpr int kSynthRate = 44100;

enum class Voice {
  SawLead,     // bright detuned saw lead with a filter sweep
  SquareLead,  // chiptune pulse lead with vibrato
  EPiano,      // FM electric piano
  Bell,        // FM bell
  Pluck,       // plucked string (Karplus-Strong)
  PulseArp,    // thin 25% pulse, short
  Bass,        // saw + sub sine through a low-pass
  TriBass,     // chiptune triangle bass
  Pad,         // detuned saws, slow attack (plays a chord)
  Kick,
  Snare,
  Clap,
  HatClosed,
  HatOpen,
  Crash,
  Ride,
  NoiseSnare,  // chiptune noise snare
  Scratch,     // record-scratch style sweep for the turntable lane
  Riser,       // noise sweep that leads into a section
};

// Deterministic pseudo-random numbers (xorshift32).
class Rng {
 public:
  explicit Rng(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  double Uniform() { return (Next() >> 8) * (1.0 / 16777216.0); }  // [0,1)
  double Signed() { return Uniform() * 2.0 - 1.0; }                 // [-1,1)
  int Below(int n) { return n > 0 ? static_cast<int>(Next() % static_cast<uint32_t>(n)) : 0; }

 private:
  uint32_t state_;
};

double MidiToHz(double midi);

// Renders one sound. `pitches` holds MIDI note numbers (one for melodic
// voices, several for Pad; ignored by drums except as a tuning hint).
// `seconds` is the length of the sound including its release tail.
Sound Synthesize(Voice voice, const std::vector<int>& pitches, double seconds, float gain);

}  // namespace assetgen::demo
