#include "demo_synth.h"

#include <algorithm>
#include <cmath>

namespace assetgen::demo {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDt = 1.0 / kSynthRate;

// Band-limited step correction for saw and pulse oscillators.
double PolyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

struct Saw {
  double phase = 0;
  double Step(double hz) {
    double dt = hz * kDt;
    double v = 2.0 * phase - 1.0 - PolyBlep(phase, dt);
    phase += dt;
    if (phase >= 1.0) phase -= 1.0;
    return v;
  }
};

struct Pulse {
  double phase = 0;
  double Step(double hz, double width) {
    double dt = hz * kDt;
    double v = phase < width ? 1.0 : -1.0;
    v += PolyBlep(phase, dt);
    double shifted = phase - width;
    if (shifted < 0) shifted += 1.0;
    v -= PolyBlep(shifted, dt);
    phase += dt;
    if (phase >= 1.0) phase -= 1.0;
    return v;
  }
};

// Two-pole state-variable filter (Chamberlin), stable for the cut-offs used.
struct Svf {
  double low = 0, band = 0;
  double Lowpass(double in, double cutoff, double q) {
    cutoff = std::clamp(cutoff, 20.0, kSynthRate / 6.0);
    double f = 2.0 * std::sin(kPi * cutoff * kDt);
    double high = in - low - q * band;
    band += f * high;
    low += f * band;
    return low;
  }
  double Bandpass(double in, double cutoff, double q) {
    Lowpass(in, cutoff, q);
    return band;
  }
  double Highpass(double in, double cutoff, double q) {
    cutoff = std::clamp(cutoff, 20.0, kSynthRate / 6.0);
    double f = 2.0 * std::sin(kPi * cutoff * kDt);
    double high = in - low - q * band;
    band += f * high;
    low += f * band;
    return high;
  }
};

double Decay(double t, double seconds) { return std::exp(-t / seconds); }

// Attack/decay/sustain/release envelope over a sound of `length` seconds.
double Adsr(double t, double length, double a, double d, double s, double r) {
  double v;
  if (t < a)
    v = t / a;
  else if (t < a + d)
    v = 1.0 - (1.0 - s) * (t - a) / d;
  else
    v = s;
  double release_start = length - r;
  if (t > release_start) v *= std::max(0.0, (length - t) / r);
  return v;
}

void Render(Sound& out, int frames, Voice voice, const std::vector<int>& pitches, double seconds) {
  double hz = MidiToHz(pitches.empty() ? 60 : pitches[0]);
  Rng rng(0x1234567u + static_cast<uint32_t>(voice) * 7919u +
          static_cast<uint32_t>(pitches.empty() ? 0 : pitches[0]) * 104729u);
  float* s = out.samples.data();
  switch (voice) {
    case Voice::SawLead: {
      Saw a, b, c;
      Svf f;
      for (int i = 0; i < frames; ++i) {
        double t = i * kDt;
        double vib = 1.0 + 0.004 * std::sin(2 * kPi * 5.5 * t) * std::min(1.0, t * 4);
        double v = a.Step(hz * vib) * 0.5 + b.Step(hz * vib * 1.006) * 0.35 + c.Step(hz * vib * 0.497) * 0.25;
        double cutoff = hz * (1.5 + 7.0 * Decay(t, 0.12));
        v = f.Lowpass(v, cutoff, 0.7);
        s[i] = static_cast<float>(v * Adsr(t, seconds, 0.004, 0.18, 0.45, 0.12));
      }
      break;
    }
    case Voice::SquareLead: {
      Pulse p;
      for (int i = 0; i < frames; ++i) {
        double t = i * kDt;
        double vib = 1.0 + 0.006 * std::sin(2 * kPi * 6.0 * t) * std::clamp((t - 0.08) * 6, 0.0, 1.0);
        double width = 0.5 - 0.25 * std::min(1.0, t * 3);
        double v = p.Step(hz * vib, width) * 0.6;
        s[i] = static_cast<float>(v * Adsr(t, seconds, 0.002, 0.1, 0.6, 0.06));
      }
      break;
    }
    case Voice::EPiano: {
      for (int i = 0; i < frames; ++i) {
        double t = i * kDt;
        double index = 1.6 * Decay(t, 0.35) + 0.25;
        double mod = std::sin(2 * kPi * hz * t);
        double tine = 0.18 * std::sin(2 * kPi * hz * 14.0 * t) * Decay(t, 0.02);
        double v = std::sin(2 * kPi * hz * t + index * mod) * 0.7 + tine;
        v += 0.15 * std::sin(2 * kPi * hz * 2.0 * t) * Decay(t, 0.4);
        s[i] = static_cast<float>(v * Decay(t, 0.9) * Adsr(t, seconds, 0.002, 0.01, 1.0, 0.08));
      }
      break;
    }
    case Voice::Bell: {
      for (int i = 0; i < frames; ++i) {
        double t = i * kDt;
        double index = 3.0 * Decay(t, 0.5);
        double v = std::sin(2 * kPi * hz * t + index * std::sin(2 * kPi * hz * 3.5 * t)) * 0.6;
        v += 0.2 * std::sin(2 * kPi * hz * 2.0 * t) * Decay(t, 0.3);
        s[i] = static_cast<float>(v * Decay(t, 0.7) * Adsr(t, seconds, 0.001, 0.01, 1.0, 0.1));
      }
      break;
    }
    case Voice::Pluck: {
      int period = std::max(2, static_cast<int>(std::lround(kSynthRate / hz)));
      std::vector<double> line(period);
      for (double& x : line) x = rng.Signed();
      // Soften the initial burst a little so it sounds like a nylon string.
      for (int k = 1; k < period; ++k) line[k] = 0.5 * (line[k] + line[k - 1]);
      int pos = 0;
      for (int i = 0; i < frames; ++i) {
        double t = i * kDt;
        int next = (pos + 1) % period;
        double v = line[pos];
        line[pos] = 0.996 * 0.5 * (line[pos] + line[next]);
        pos = next;
        s[i] = static_cast<float>(v * 0.8 * Adsr(t, seconds, 0.001, 0.01, 1.0, 0.08));
      }
      break;
    }
    case Voice::PulseArp: {
      Pulse p;
      for (int i = 0; i < frames; ++i) {
        double t = i * kDt;
        double v = p.Step(hz, 0.25) * 0.45;
        s[i] = static_cast<float>(v * Decay(t, 0.09) * Adsr(t, seconds, 0.001, 0.01, 1.0, 0.03));
      }
      break;
    }
    case Voice::Bass: {
      Saw a;
      Svf f;
      for (int i = 0; i < frames; ++i) {
        double t = i * kDt;
        double v = a.Step(hz) * 0.55 + std::sin(2 * kPi * hz * t) * 0.6;
        v = f.Lowpass(v, hz * (2.0 + 10.0 * Decay(t, 0.07)), 0.9);
        s[i] = static_cast<float>(v * Adsr(t, seconds, 0.003, 0.15, 0.6, 0.05));
      }
      break;
    }
    case Voice::TriBass: {
      double phase = 0;
      for (int i = 0; i < frames; ++i) {
        double t = i * kDt;
        double tri = phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase;
        // Quantise like an old sound chip for its stepped timbre.
        tri = std::round(tri * 8.0) / 8.0;
        phase += hz * kDt;
        if (phase >= 1) phase -= 1;
        s[i] = static_cast<float>(tri * 0.75 * Adsr(t, seconds, 0.002, 0.05, 0.8, 0.04));
      }
      break;
    }
    case Voice::Pad: {
      std::vector<Saw> oscs(pitches.size() * 3);
      for (size_t k = 0; k < oscs.size(); ++k) oscs[k].phase = rng.Uniform();
      Svf f;
      double norm = 0.5 / std::sqrt(static_cast<double>(std::max<size_t>(1, pitches.size())) * 3);
      for (int i = 0; i < frames; ++i) {
        double t = i * kDt;
        double v = 0;
        for (size_t n = 0; n < pitches.size(); ++n) {
          double h = MidiToHz(pitches[n]);
          v += oscs[n * 3].Step(h * 0.997) + oscs[n * 3 + 1].Step(h) + oscs[n * 3 + 2].Step(h * 1.004);
        }
        v = f.Lowpass(v * norm, 900 + 500 * std::sin(2 * kPi * 0.4 * t), 1.0);
        s[i] = static_cast<float>(v * Adsr(t, seconds, 0.25, 0.3, 0.8, 0.6));
      }
      break;
    }
    case Voice::Kick: {
      double phase = 0;
      for (int i = 0; i < frames; ++i) {
        double t = i * kDt;
        double f0 = 48 + 140 * Decay(t, 0.035);
        phase += f0 * kDt;
        double v = std::sin(2 * kPi * phase) * Decay(t, 0.28);
        v += 0.3 * rng.Signed() * Decay(t, 0.004);  // beater click
        s[i] = static_cast<float>(std::tanh(v * 1.4) * Adsr(t, seconds, 0.0005, 0.01, 1.0, 0.03));
      }
      break;
    }
    case Voice::Snare:
    case Voice::NoiseSnare: {
      Svf f;
      bool chip = voice == Voice::NoiseSnare;
      double held = 0;
      for (int i = 0; i < frames; ++i) {
        double t = i * kDt;
        double noise = rng.Signed();
        if (chip) {  // sample-and-hold noise, like a sound chip's noise channel
          if (i % 4 == 0) held = noise;
          noise = held;
        }
        double n = f.Highpass(noise, 1200, 1.0) * Decay(t, chip ? 0.09 : 0.13);
        double tone = std::sin(2 * kPi * (185 + 60 * Decay(t, 0.02)) * t) * Decay(t, 0.06);
        s[i] = static_cast<float>((n * 0.7 + tone * 0.5) * Adsr(t, seconds, 0.0005, 0.01, 1.0, 0.03));
      }
      break;
    }
    case Voice::Clap: {
      Svf f;
      for (int i = 0; i < frames; ++i) {
        double t = i * kDt;
        double env = 0;
        for (int k = 0; k < 3; ++k) {
          double tk = t - k * 0.011;
          if (tk >= 0) env = std::max(env, Decay(tk, 0.008));
        }
        double tail = t > 0.022 ? Decay(t - 0.022, 0.12) * 0.7 : 0.0;
        double v = f.Bandpass(rng.Signed(), 1400, 0.6) * 2.2 * std::max(env, tail);
        s[i] = static_cast<float>(v * Adsr(t, seconds, 0.0005, 0.01, 1.0, 0.03));
      }
      break;
    }
    case Voice::HatClosed:
    case Voice::HatOpen:
    case Voice::Crash:
    case Voice::Ride: {
      Svf f;
      double decay = voice == Voice::HatClosed ? 0.035 : voice == Voice::HatOpen ? 0.22 : voice == Voice::Ride ? 0.5 : 1.1;
      double cutoff = voice == Voice::Crash ? 4500 : 7000;
      // Metallic partials (square waves at inharmonic ratios) plus noise.
      static const double kRatios[6] = {2.0, 3.0, 4.16, 5.43, 6.79, 8.21};
      double base = voice == Voice::Ride ? 380 : 330;
      for (int i = 0; i < frames; ++i) {
        double t = i * kDt;
        double metal = 0;
        for (double r : kRatios) metal += std::sin(2 * kPi * base * r * t) > 0 ? 1.0 : -1.0;
        double src = rng.Signed() * (voice == Voice::Ride ? 0.4 : 0.8) + metal * 0.12;
        double v = f.Highpass(src, cutoff, 0.8) * Decay(t, decay);
        if (voice == Voice::Ride) v += 0.25 * std::sin(2 * kPi * base * 6.79 * t) * Decay(t, 0.8);
        s[i] = static_cast<float>(v * 0.8 * Adsr(t, seconds, 0.0005, 0.01, 1.0, 0.05));
      }
      break;
    }
    case Voice::Scratch: {
      Saw a;
      Svf f;
      for (int i = 0; i < frames; ++i) {
        double t = i * kDt;
        // Forward then back: the pitch rises and falls like a hand on a record.
        double shape = std::sin(kPi * std::min(1.0, t / std::max(0.01, seconds * 0.8)));
        double pitch = 220 + 1100 * shape;
        double v = a.Step(pitch) * 0.5 + rng.Signed() * 0.35;
        v = f.Bandpass(v, pitch * 1.5, 0.5);
        s[i] = static_cast<float>(v * 1.6 * shape * Adsr(t, seconds, 0.002, 0.01, 1.0, 0.02));
      }
      break;
    }
    case Voice::Riser: {
      Svf f;
      for (int i = 0; i < frames; ++i) {
        double t = i * kDt;
        double x = t / seconds;
        double v = f.Bandpass(rng.Signed(), 300 + 6000 * x * x, 0.4);
        s[i] = static_cast<float>(v * 0.9 * x * Adsr(t, seconds, 0.01, 0.01, 1.0, 0.02));
      }
      break;
    }
  }
}

}  // namespace

double MidiToHz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

Sound Synthesize(Voice voice, const std::vector<int>& pitches, double seconds, float gain) {
  Sound out;
  out.rate = kSynthRate;
  out.channels = 1;
  int frames = std::max(64, static_cast<int>(seconds * kSynthRate));
  out.samples.assign(frames, 0.0f);
  Render(out, frames, voice, pitches, frames * kDt);
  // Short fades at both ends keep restarts click-free.
  int fade = std::min(frames / 4, 220);
  for (int i = 0; i < fade; ++i) {
    float k = static_cast<float>(i) / fade;
    out.samples[frames - 1 - i] *= k;
  }
  for (float& x : out.samples) x = std::clamp(x * gain, -1.0f, 1.0f);
  return out;
}

}  // namespace assetgen::demo
