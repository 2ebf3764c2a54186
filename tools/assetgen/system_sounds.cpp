// The sixteen system sounds: short synthesised cues (mono, 22050 Hz, 16-bit
// WAV) and a seamless four-second loop for the song select screen.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "assets.h"
#include "writers.h"

namespace assetgen {
namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

// Frequency of a MIDI note number.
double Note(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

struct Mix {
  std::vector<float> s;
  explicit Mix(double seconds) : s(static_cast<size_t>(seconds * kRate), 0.0f) {}

  // A plucked or bell-like note: a few harmonics, fast attack, exponential decay.
  void Pluck(double start, double length, double hz, double amp, double decay = 6.0, double bright = 0.35) {
    int from = static_cast<int>(start * kRate);
    int count = static_cast<int>(length * kRate);
    for (int i = 0; i < count; ++i) {
      size_t at = static_cast<size_t>(from + i);
      if (at >= s.size()) break;
      double t = static_cast<double>(i) / kRate;
      double attack = std::min(1.0, t / 0.004);
      double release = std::min(1.0, (length - t) / 0.02);  // ends at zero
      double env = attack * release * std::exp(-decay * t);
      double v = std::sin(2 * kPi * hz * t) + bright * std::sin(4 * kPi * hz * t) * std::exp(-decay * t) +
                 0.12 * std::sin(6 * kPi * hz * t);
      s[at] += static_cast<float>(amp * env * v);
    }
  }

  // A soft sustained tone with gentle attack and release.
  void Pad(double start, double length, double hz, double amp, double fade = 0.08) {
    int from = static_cast<int>(start * kRate);
    int count = static_cast<int>(length * kRate);
    for (int i = 0; i < count; ++i) {
      size_t at = static_cast<size_t>(from + i);
      if (at >= s.size()) break;
      double t = static_cast<double>(i) / kRate;
      double env = std::min({1.0, t / fade, (length - t) / fade});
      double v = std::sin(2 * kPi * hz * t) + 0.3 * std::sin(2 * kPi * hz * 2.003 * t) +
                 0.15 * std::sin(2 * kPi * hz * 0.5 * t);
      s[at] += static_cast<float>(amp * env * v);
    }
  }

  // A pitch sweep (linear in frequency), with a smooth envelope.
  void Sweep(double start, double length, double hz0, double hz1, double amp) {
    int from = static_cast<int>(start * kRate);
    int count = static_cast<int>(length * kRate);
    double phase = 0;
    for (int i = 0; i < count; ++i) {
      size_t at = static_cast<size_t>(from + i);
      if (at >= s.size()) break;
      double t = static_cast<double>(i) / kRate;
      double hz = hz0 + (hz1 - hz0) * t / length;
      phase += 2 * kPi * hz / kRate;
      double env = std::sin(kPi * t / length);
      s[at] += static_cast<float>(amp * env * (std::sin(phase) + 0.25 * std::sin(2 * phase)));
    }
  }

  // Noise through a moving one-pole low-pass: a soft whoosh.
  void Whoosh(double start, double length, double amp, uint32_t seed) {
    int from = static_cast<int>(start * kRate);
    int count = static_cast<int>(length * kRate);
    double low = 0;
    for (int i = 0; i < count; ++i) {
      size_t at = static_cast<size_t>(from + i);
      if (at >= s.size()) break;
      seed = seed * 1664525u + 1013904223u;
      double noise = static_cast<double>(seed >> 8) / (1u << 24) * 2 - 1;
      double t = static_cast<double>(i) / count;
      double cut = 0.02 + 0.25 * std::sin(kPi * t);
      low += cut * (noise - low);
      s[at] += static_cast<float>(amp * std::sin(kPi * t) * low * 3);
    }
  }

  // Scales the peak to `peak`.
  Sound Done(double peak = 0.7) const {
    float max = 0;
    for (float v : s) max = std::max(max, std::fabs(v));
    Sound out;
    out.rate = kRate;
    out.channels = 1;
    out.samples = s;
    if (max > 0)
      for (float& v : out.samples) v = static_cast<float>(v * peak / max);
    return out;
  }
};

// The song select loop: I-vi-IV-V at 120 BPM, two beats per chord, two bars
// in four seconds. Every note ends inside the loop, so the end joins the
// start without a click.
Sound SelectLoop() {
  Mix m(4.0);
  const int chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
  const int bass[4] = {36, 33, 29, 31};
  for (int c = 0; c < 4; ++c) {
    double at = c * 1.0;
    for (int n : chords[c]) m.Pad(at, 1.0, Note(n), 0.10, 0.12);
    m.Pluck(at, 0.45, Note(bass[c] + 12), 0.35, 5.0, 0.2);
    m.Pluck(at + 0.5, 0.45, Note(bass[c] + 12), 0.25, 5.0, 0.2);
    // Arpeggio in eighths: root, third, fifth, octave, fifth, third, root, fifth... up high.
    const int pattern[8] = {0, 1, 2, 3, 2, 1, 0, 2};
    for (int e = 0; e < 8; ++e) {
      int step = pattern[e];
      int midi = step == 3 ? chords[c][0] + 12 : chords[c][step];
      m.Pluck(at + e * 0.125, 0.12, Note(midi + 12), 0.16, 14.0, 0.5);
    }
  }
  // A soft hi-hat tick on the off-beats.
  for (int k = 0; k < 8; ++k) m.Whoosh(k * 0.5 + 0.25, 0.03, 0.08, 77u + k);
  return m.Done(0.55);
}

Sound Blip(double hz, double length, double amp = 1.0) {
  Mix m(length + 0.01);
  m.Pluck(0, length, hz, amp, 40.0, 0.2);
  return m.Done(0.5);
}

Sound Arpeggio(const std::vector<int>& notes, double step, double tail, double decay, double peak) {
  Mix m(step * notes.size() + tail);
  for (size_t i = 0; i < notes.size(); ++i) {
    double length = step * (notes.size() - i) + tail - 0.01;
    m.Pluck(step * i, length, Note(notes[i]), 0.5, decay, 0.35);
  }
  return m.Done(peak);
}

Sound Ready() {
  Mix m(0.9);
  m.Sweep(0, 0.35, Note(67), Note(72), 0.3);
  m.Pluck(0.3, 0.6, Note(72), 0.5, 4.0);
  m.Pluck(0.3, 0.6, Note(79), 0.3, 4.0);
  return m.Done(0.6);
}

Sound Fade() {
  Mix m(0.45);
  m.Whoosh(0, 0.45, 0.6, 12345u);
  m.Sweep(0, 0.4, 900, 300, 0.08);
  return m.Done(0.45);
}

// Class announcements: brighter and higher for better classes.
Sound ClassSound(int rank) {
  switch (rank) {
    case 0: {  // SS: sparkling run up to a major chord with octave
      Mix m(1.1);
      const int run[6] = {72, 76, 79, 84, 88, 91};
      for (int i = 0; i < 6; ++i) m.Pluck(i * 0.05, 1.0 - i * 0.05, Note(run[i]), 0.4, 3.0, 0.5);
      for (int n : {60, 64, 67}) m.Pad(0.3, 0.75, Note(n), 0.15, 0.1);
      return m.Done(0.65);
    }
    case 1: return Arpeggio({67, 72, 76, 79}, 0.07, 0.7, 3.5, 0.6);  // S
    case 2: return Arpeggio({67, 72, 76}, 0.09, 0.6, 4.0, 0.6);      // A
    case 3: return Arpeggio({67, 72}, 0.12, 0.5, 4.5, 0.55);         // B
    case 4: return Arpeggio({64, 67}, 0.14, 0.5, 5.0, 0.5);          // C: plain
    case 5: return Arpeggio({62, 65}, 0.16, 0.5, 5.0, 0.5);          // D: minor third
    default: {                                                       // E: low and falling
      Mix m(0.8);
      m.Sweep(0, 0.7, Note(55), Note(48), 0.4);
      m.Pluck(0, 0.7, Note(43), 0.3, 4.0, 0.1);
      return m.Done(0.5);
    }
  }
}

Sound SelStart() {
  Mix m(0.7);
  m.Sweep(0, 0.3, 400, 1000, 0.25);
  m.Pluck(0.2, 0.5, Note(84), 0.35, 5.0, 0.4);
  m.Pluck(0.28, 0.42, Note(91), 0.25, 5.0, 0.4);
  return m.Done(0.5);
}

Sound ResultClear() {
  Mix m(1.5);
  const int melody[4] = {60, 64, 67, 72};
  for (int i = 0; i < 4; ++i) m.Pluck(i * 0.13, 1.4 - i * 0.13, Note(melody[i]), 0.45, 2.5, 0.4);
  for (int n : {60, 64, 67, 72}) m.Pad(0.52, 0.95, Note(n), 0.08, 0.15);
  return m.Done(0.65);
}

Sound ResultFail() {
  Mix m(1.4);
  const int melody[4] = {67, 66, 65, 64};
  for (int i = 0; i < 4; ++i) m.Pluck(i * 0.22, 0.5, Note(melody[i] - 12), 0.45, 3.0, 0.15);
  for (int n : {52, 55, 59}) m.Pad(0.88, 0.5, Note(n), 0.1, 0.12);
  return m.Done(0.55);
}

// A tick whose file length sets the repeat rate when it loops (12.5 per second).
Sound PtsCount() {
  Mix m(0.08);
  m.Pluck(0, 0.03, 2200, 0.6, 90.0, 0.1);
  return m.Done(0.4);
}

}  // namespace

bool WriteSystemSounds(const std::string& data) {
  struct Entry {
    const char* name;
    Sound sound;
  };
  const Entry entries[] = {
      {"sngchg.wav", Blip(1320, 0.07)},
      {"select.wav", SelectLoop()},
      {"sngdecide.wav", Arpeggio({72, 76, 79, 84}, 0.06, 0.5, 4.0, 0.6)},
      {"ready.wav", Ready()},
      {"fade.wav", Fade()},
      {"class_ss.wav", ClassSound(0)},
      {"class_s.wav", ClassSound(1)},
      {"class_a.wav", ClassSound(2)},
      {"class_b.wav", ClassSound(3)},
      {"class_c.wav", ClassSound(4)},
      {"class_d.wav", ClassSound(5)},
      {"class_e.wav", ClassSound(6)},
      {"selstart.wav", SelStart()},
      {"res_clear.wav", ResultClear()},
      {"res_fail.wav", ResultFail()},
      {"ptscount.wav", PtsCount()},
  };
  bool ok = true;
  for (const auto& e : entries) ok &= SaveSoundWav(e.sound, data + "/wav/" + e.name);
  if (!ok) std::fprintf(stderr, "assetgen: some system sounds were not written\n");
  return ok;
}

}  // namespace assetgen
