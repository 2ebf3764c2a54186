// The demo song pack: three songs composed here, each with keysounded charts
// of several levels, synthesised sounds and drawn background images.
//
// A song is composed as a list of timed sound events (lead, harmony, bass,
// drums, pads). Each chart picks the events its level plays as notes, places
// them on lanes, and leaves every other event on the background channel, so
// a perfect play of any chart reproduces the whole song.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "assets.h"
#include "demo_art.h"
#include "demo_synth.h"
#include "platform/files.h"
#include "writers.h"

namespace assetgen {

namespace {

using demo::Rng;
using demo::Voice;

constexpr int kBeat = 48;        // ticks per beat; a 4/4 measure is 192 ticks
constexpr int kStep = kBeat / 4;  // one 16th note
constexpr double kMinLaneGapMs = 100.0;  // a 16th at 150 BPM
// The gains below are relative; this scales them so the full mix of the
// loudest song stays just under full scale.
constexpr float kMasterGain = 0.42f;

enum class Role { Lead, Harm, Bass, Kick, Snare, Hat, Pad, Accent, Fx };

// Lowest chart tier that plays an event as a note; kBackground never does.
constexpr int kBackground = 9;

struct Event {
  int tick;
  int sound;  // id, 1-based
  Role role;
  int pitch;
  int tier;
};

struct SoundDef {
  std::string name;  // file name without extension
  Voice voice;
  std::vector<int> pitches;
  double seconds;
  float gain;
};

struct ImageEvent {
  int tick;
  int channel;  // 4 base, 6 poor, 7 layer
  int id;
};

struct ImageDef {
  std::string file;
  Picture picture;
};

struct ChartPlan {
  std::string file;
  std::string label;  // shown after the title, e.g. BEGINNER
  int level;
  int rank;
  int max_tier;
  int keys;       // 5 or 7
  int max_chord;  // simultaneous notes, scratch included
  bool modern = false;  // written for the modern chart rules (WriteModernChart)
};

struct Song {
  std::string folder, title, artist, genre;
  std::string chart_sound_ext;  // ".ogg", or ".wav" to rely on the player's fallback to .ogg
  int bpm = 120;
  std::vector<int> measure_ticks;
  std::vector<std::pair<int, int>> tempo;  // (tick, new bpm), in order
  // Modern charts only: tempo changes on channel 08 and stops on channel 09.
  std::vector<std::pair<int, double>> extended_tempo;  // (tick, new bpm), in order
  std::vector<std::pair<int, int>> stops;              // (tick, length in 1/192 of a measure)
  std::vector<SoundDef> sounds;
  std::map<std::string, int> sound_ids;
  std::vector<Event> events;
  std::vector<ImageDef> images;
  std::vector<ImageEvent> image_events;
  std::string stage_file;
  std::vector<ChartPlan> charts;

  int Sound(const std::string& name, Voice voice, std::vector<int> pitches, double seconds, float gain) {
    auto it = sound_ids.find(name);
    if (it != sound_ids.end()) return it->second;
    sounds.push_back({name, voice, std::move(pitches), seconds, gain});
    int id = static_cast<int>(sounds.size());
    sound_ids[name] = id;
    return id;
  }
  void Add(int tick, int sound, Role role, int pitch, int tier) { events.push_back({tick, sound, role, pitch, tier}); }
  int MeasureStart(int m) const {
    int t = 0;
    for (int i = 0; i < m && i < static_cast<int>(measure_ticks.size()); ++i) t += measure_ticks[i];
    return t;
  }
  int TotalTicks() const { return std::accumulate(measure_ticks.begin(), measure_ticks.end(), 0); }
  // The time of a tick: tempo changes of both kinds, and the stops before it,
  // each at the tempo in force after the changes at its tick.
  double TickToMs(int tick) const {
    std::vector<std::pair<int, double>> changes(tempo.begin(), tempo.end());
    changes.insert(changes.end(), extended_tempo.begin(), extended_tempo.end());
    std::stable_sort(changes.begin(), changes.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    auto bpm_at = [&](int t) {
      double b = bpm;
      for (const auto& [ct, nb] : changes)
        if (ct <= t) b = nb;
      return b;
    };
    double ms = 0, b = bpm;
    int at = 0;
    for (const auto& [t, nb] : changes) {
      if (t >= tick) break;
      ms += (t - at) * 1250.0 / b;
      at = t, b = nb;
    }
    ms += (tick - at) * 1250.0 / b;
    for (const auto& [st, units] : stops)
      if (st < tick) ms += units * 1250.0 / bpm_at(st);
    return ms;
  }
};

// ---- Harmony helpers -------------------------------------------------------

struct Chord {
  std::vector<int> pad;  // voicing for the pad, around middle C
  int bass;              // bass root, MIDI
};

// The notes of the key's scale within [lo, hi], with the chord's own tones
// replacing their scale neighbours (so A7 in C major gets its C sharp).
std::vector<int> BarScale(const std::vector<int>& key_pcs, const Chord& chord, int lo, int hi) {
  std::vector<int> pcs = key_pcs;
  for (int tone : chord.pad) {
    int pc = tone % 12;
    bool present = std::find(pcs.begin(), pcs.end(), pc) != pcs.end();
    if (present) continue;
    for (int& k : pcs)
      if ((k + 1) % 12 == pc || (pc + 1) % 12 == k) {
        k = pc;
        break;
      }
  }
  std::vector<int> notes;
  for (int n = lo; n <= hi; ++n)
    if (std::find(pcs.begin(), pcs.end(), n % 12) != pcs.end()) notes.push_back(n);
  return notes;
}

bool IsChordTone(const Chord& c, int note) {
  for (int t : c.pad)
    if (t % 12 == note % 12) return true;
  return false;
}

int Nearest(const std::vector<int>& notes, int target) {
  int best = notes.front();
  for (int n : notes)
    if (std::abs(n - target) < std::abs(best - target)) best = n;
  return best;
}

// One melodic note of a phrase: bar within the phrase, step within the bar.
struct MelNote {
  int bar, step, pitch;
};

// Composes a phrase over `chords` (one per bar) with the given rhythm per bar
// ('x' = onset). Strong steps land on chord tones; the rest moves by scale
// steps along an arch; the last note resolves to the root or third.
std::vector<MelNote> ComposePhrase(Rng& rng, const std::vector<std::string>& rhythms, const std::vector<Chord>& chords,
                                   const std::vector<int>& key_pcs, int lo, int hi, int start) {
  std::vector<MelNote> out;
  int cur = start;
  int total = 0;
  for (const auto& r : rhythms) total += static_cast<int>(std::count(r.begin(), r.end(), 'x'));
  int index = 0;
  for (size_t bar = 0; bar < rhythms.size(); ++bar) {
    const Chord& chord = chords[bar % chords.size()];
    std::vector<int> scale = BarScale(key_pcs, chord, lo, hi);
    const std::string& r = rhythms[bar];
    for (int step = 0; step < static_cast<int>(r.size()); ++step) {
      if (r[step] != 'x') continue;
      double progress = total > 1 ? static_cast<double>(index) / (total - 1) : 0.0;
      // Arch contour: climb for the first 60%, then fall back.
      int target = static_cast<int>(lo + (hi - lo) * (0.3 + 0.5 * std::sin(progress * 3.14159 * 0.95)));
      bool last = index == total - 1;
      bool strong = step % 8 == 0 || (r.size() == 12 && step % 4 == 0);
      int pos = static_cast<int>(std::find(scale.begin(), scale.end(), Nearest(scale, cur)) - scale.begin());
      if (last) {
        std::vector<int> goal;
        for (int n : scale)
          if (n % 12 == chord.pad[0] % 12 || n % 12 == chord.pad[1] % 12) goal.push_back(n);
        cur = Nearest(goal.empty() ? scale : goal, cur);
      } else if (strong) {
        std::vector<int> tones;
        for (int n : scale)
          if (IsChordTone(chord, n)) tones.push_back(n);
        int aim = cur + (target > cur ? 2 : target < cur ? -2 : 0) + (rng.Below(3) - 1) * 2;
        cur = Nearest(tones.empty() ? scale : tones, aim);
      } else {
        int dir = target > cur ? 1 : target < cur ? -1 : (rng.Below(2) ? 1 : -1);
        if (rng.Below(10) < 3) dir = -dir;
        int roll = rng.Below(10);
        int move = roll < 6 ? dir : roll < 8 ? 2 * dir : 0;
        pos = std::clamp(pos + move, 0, static_cast<int>(scale.size()) - 1);
        cur = scale[pos];
      }
      out.push_back({static_cast<int>(bar), step, cur});
      ++index;
    }
  }
  return out;
}

// Tier of a melodic onset by its place: beats for the easiest charts, then
// 8ths, then 16ths.
int StepTier(int step) { return step % 4 == 0 ? 0 : step % 2 == 0 ? 1 : 2; }

// Bars of a song with their chords and section, laid out in ticks.
struct Bar {
  int start;
  int steps;  // 16 for 4/4, 12 for 3/4
  Chord chord;
  char section;
};

std::vector<Bar> LayOut(Song& song, const std::vector<std::pair<char, std::vector<Chord>>>& plan, int steps_34_from,
                        int steps_34_to) {
  std::vector<Bar> bars;
  int tick = 0;
  for (const auto& [section, chords] : plan)
    for (const Chord& c : chords) {
      int index = static_cast<int>(bars.size());
      int steps = index >= steps_34_from && index < steps_34_to ? 12 : 16;
      bars.push_back({tick, steps, c, section});
      song.measure_ticks.push_back(steps * kStep);
      tick += steps * kStep;
    }
  // One empty closing measure lets the last sounds ring out.
  song.measure_ticks.push_back(192);
  return bars;
}

// Places a phrase's notes with a lead voice.
void PlacePhrase(Song& song, const std::vector<MelNote>& phrase, const std::vector<Bar>& bars, int first_bar,
                 const std::string& prefix, Voice voice, double seconds, float gain, int tier_shift = 0) {
  for (const MelNote& n : phrase) {
    const Bar& bar = bars[first_bar + n.bar];
    int id = song.Sound(prefix + std::to_string(n.pitch), voice, {n.pitch}, seconds, gain);
    song.Add(bar.start + n.step * kStep, id, Role::Lead, n.pitch, std::min(2, StepTier(n.step) + tier_shift));
  }
}

// Pads alternate between two copies of each chord's sound so that a pad is
// never cut by its own restart on the next bar.
void PlacePads(Song& song, const std::vector<Bar>& bars, double seconds, float gain) {
  for (size_t i = 0; i < bars.size(); ++i) {
    const Chord& c = bars[i].chord;
    std::string name = "pad";
    for (int p : c.pad) name += "_" + std::to_string(p);
    name += i % 2 ? "b" : "a";
    int id = song.Sound(name, Voice::Pad, c.pad, seconds, gain);
    song.Add(bars[i].start, id, Role::Pad, c.pad[0], kBackground);
  }
}

void AddBgaCycle(Song& song, const std::vector<Bar>& bars, int first_base_id, int frames, int layer_first,
                 int layer_frames, int blank_id, const std::string& layer_sections) {
  bool layer_on = false;
  for (const Bar& bar : bars) {
    int beats = bar.steps / 4;
    for (int b = 0; b < beats; ++b)
      song.image_events.push_back({bar.start + b * kBeat, 4, first_base_id + (bar.start / kBeat + b) % frames});
    bool want = layer_sections.find(bar.section) != std::string::npos;
    if (want)
      for (int b = 0; b < beats; b += 2)
        song.image_events.push_back({bar.start + b * kBeat, 7, layer_first + (bar.start / kBeat / 2 + b / 2) % layer_frames});
    else if (layer_on)
      song.image_events.push_back({bar.start, 7, blank_id});
    layer_on = want;
  }
  song.image_events.push_back({0, 6, song.images.empty() ? 1 : static_cast<int>(song.images.size())});
}

// Registers the pictures of a song: base frames, layers, blank layer, poor
// image (last, so its id is the image count), and the stage picture.
struct ImageIds {
  int base, layer, blank, poor;
};

ImageIds AddArt(Song& song, demo::SongArt art, const std::string& base_ext, const std::string& prefix) {
  ImageIds ids{};
  ids.base = static_cast<int>(song.images.size()) + 1;
  for (size_t i = 0; i < art.base.size(); ++i)
    song.images.push_back({prefix + "_bg" + std::to_string(i) + base_ext, std::move(art.base[i])});
  ids.layer = static_cast<int>(song.images.size()) + 1;
  for (size_t i = 0; i < art.layer.size(); ++i)
    song.images.push_back({prefix + "_layer" + std::to_string(i) + ".png", std::move(art.layer[i])});
  ids.blank = static_cast<int>(song.images.size()) + 1;
  song.images.push_back({"blank.bmp", demo::BlankLayer()});
  ids.poor = static_cast<int>(song.images.size()) + 1;
  song.images.push_back({prefix + "_miss.bmp", std::move(art.poor)});
  song.stage_file = prefix + "_stage.png";
  song.images.push_back({song.stage_file, std::move(art.stage)});
  return ids;
}

// ---- Song 1: a bright house-pop tune in C major at 128 BPM ------------------

Song ComposeSunrise() {
  Song s;
  s.folder = "sunrise_parade";
  s.title = "Sunrise Parade";
  s.artist = "korvex sound team";
  s.genre = "HOUSE POP";
  s.chart_sound_ext = ".ogg";
  s.bpm = 128;
  const Chord C{{60, 64, 67, 71}, 36}, Am{{57, 60, 64, 67}, 45}, F{{57, 60, 65, 69}, 41}, G{{59, 62, 67, 74}, 43},
      Em{{59, 64, 67, 71}, 40};
  std::vector<Chord> verse{C, Am, F, G, C, Am, F, G}, chorus{F, G, Em, Am, F, G, C, C};
  std::vector<Bar> bars = LayOut(s,
                                 {{'i', {C, Am, F, G}},
                                  {'v', verse},
                                  {'c', chorus},
                                  {'b', {Am, F, C, G}},
                                  {'v', verse},
                                  {'c', chorus},
                                  {'o', {F, G, C, C}}},
                                 -1, -1);
  const std::vector<int> key{0, 2, 4, 5, 7, 9, 11};
  Rng rng(20240501);
  std::vector<std::string> vr{"x.x.x.x.x..xx...", "x.xx..x.x.x.x...", "x..x..x.x.x.x.x.", "x.x.x...x......."};
  std::vector<std::string> vr2{"x.x.x.x.x..xx...", "x.xx..x.x.x.x...", "x.x.x.x.xx.x.x..", "x...x...x......."};
  std::vector<std::string> cr{"x.xxx.x.x.xxx.x.", "x.x.xx.xx.x.x.x.", "xx.x.x.xx.x.x...", "x.x.x.x.x.x.x.x."};
  std::vector<std::string> cr2{"x.xxx.x.x.xxx.x.", "x.x.xx.xx.x.x.x.", "x.x.x.x.x.x.x.x.", "x...x...x......."};
  std::vector<std::string> br{"x.......x...x...", "x.......x.......", "x...x...x...x...", "x..............."};
  auto va = ComposePhrase(rng, vr, {C, Am, F, G}, key, 67, 79, 72);
  auto va2 = ComposePhrase(rng, vr2, {C, Am, F, G}, key, 67, 79, 76);
  auto ca = ComposePhrase(rng, cr, {F, G, Em, Am}, key, 69, 84, 77);
  auto ca2 = ComposePhrase(rng, cr2, {F, G, C, C}, key, 69, 84, 79);
  auto bk = ComposePhrase(rng, br, {Am, F, C, G}, key, 64, 76, 69);
  const Voice lead = Voice::SawLead;
  for (int first : {4, 24}) {
    PlacePhrase(s, va, bars, first, "lead_", lead, 0.5, 0.42f);
    PlacePhrase(s, va2, bars, first + 4, "lead_", lead, 0.5, 0.42f);
    PlacePhrase(s, ca, bars, first + 8, "lead_", lead, 0.5, 0.42f);
    PlacePhrase(s, ca2, bars, first + 12, "lead_", lead, 0.5, 0.42f);
  }
  PlacePhrase(s, bk, bars, 20, "lead_", lead, 0.5, 0.42f);
  PlacePhrase(s, ca2, bars, 40, "lead_", lead, 0.5, 0.42f);
  PlacePads(s, bars, 4.2, 0.5f);

  int kick = s.Sound("kick", Voice::Kick, {}, 0.45, 0.85f);
  int clap = s.Sound("clap", Voice::Clap, {}, 0.4, 0.6f);
  int hat = s.Sound("hat", Voice::HatClosed, {}, 0.12, 0.35f);
  int ohat = s.Sound("openhat", Voice::HatOpen, {}, 0.5, 0.3f);
  int crash = s.Sound("crash", Voice::Crash, {}, 2.0, 0.45f);
  int scratch = s.Sound("scratch", Voice::Scratch, {}, 0.22, 0.5f);
  int riser = s.Sound("riser", Voice::Riser, {}, 1.8, 0.4f);
  for (size_t i = 0; i < bars.size(); ++i) {
    const Bar& b = bars[i];
    char sec = b.section;
    bool section_start = i == 0 || bars[i - 1].section != sec;
    if (section_start && sec != 'i') s.Add(b.start, crash, Role::Accent, 0, sec == 'b' ? 1 : 0);
    bool drums = sec == 'v' || sec == 'c' || sec == 'o' || (sec == 'i' && i >= 2);
    if (drums)
      for (int q = 0; q < 4; ++q) s.Add(b.start + q * kBeat, kick, Role::Kick, 0, kBackground);
    if (sec == 'v' || sec == 'c' || sec == 'o') {
      s.Add(b.start + kBeat, clap, Role::Snare, 0, sec == 'c' ? 2 : kBackground);
      s.Add(b.start + 3 * kBeat, clap, Role::Snare, 0, sec == 'c' ? 2 : kBackground);
    }
    for (int q = 0; q < 4; ++q) {
      bool open = sec == 'c' && q == 3;
      if (sec != 'b' || q % 2 == 1) s.Add(b.start + q * kBeat + 2 * kStep, open ? ohat : hat, Role::Hat, 0, kBackground);
      if (sec == 'c' && q % 2 == 0) s.Add(b.start + q * kBeat + 3 * kStep, hat, Role::Hat, 0, kBackground);
    }
    if (sec == 'c' && i % 4 == 3) s.Add(b.start + 14 * kStep, scratch, Role::Accent, 0, 1);
    if (i == 3 || i == 19) s.Add(b.start + 2 * kBeat, riser, Role::Fx, 0, kBackground);
    // Bass: pumping 8ths with the octave on the off-beats.
    if (sec != 'i' || i >= 2)
      for (int e = 0; e < 8; ++e) {
        if (sec == 'b' && e % 2 == 1) continue;
        int p = b.chord.bass + (e % 2 ? 12 : 0);
        int id = s.Sound("bass_" + std::to_string(p), Voice::Bass, {p}, 0.3, 0.55f);
        s.Add(b.start + e * 2 * kStep, id, Role::Bass, p, kBackground);
      }
    // Electric-piano stabs on the off-beats, two chord tones each.
    if (sec == 'v' || sec == 'c' || sec == 'o') {
      std::string pattern = sec == 'c' ? "x..x..x...x..x.." : "..x...x...x...x.";
      for (int st = 0; st < 16; ++st) {
        if (pattern[st] != 'x') continue;
        for (int k = 2; k < 4; ++k) {
          int p = b.chord.pad[k] > 72 ? b.chord.pad[k] - 12 : b.chord.pad[k];
          int id = s.Sound("stab_" + std::to_string(p), Voice::EPiano, {p}, 0.5, 0.32f);
          s.Add(b.start + st * kStep, id, Role::Harm, p, 2);
        }
      }
    }
  }
  ImageIds img = AddArt(s, demo::PaintSunrise("SUNRISE PARADE", "KORVEX SOUND TEAM"), ".png", "sunrise");
  AddBgaCycle(s, bars, img.base, 4, img.layer, 2, img.blank, "c");
  s.image_events.back().id = img.poor;
  s.charts = {{"sunrise_beginner.bms", "BEGINNER", 2, 3, 0, 7, 2}, {"sunrise_hyper.bme", "HYPER", 7, 2, 2, 7, 3}};
  return s;
}

// ---- Song 2: jazz fusion with tempo changes and a waltz ---------------------

Song ComposeClockwork() {
  Song s;
  s.folder = "clockwork_tide";
  s.title = "Clockwork Tide";
  s.artist = "korvex sound team";
  s.genre = "JAZZ FUSION";
  s.chart_sound_ext = ".wav";  // files are .ogg: the player falls back to them
  s.bpm = 144;
  const Chord Dm7{{62, 65, 69, 72}, 38}, G7{{59, 65, 67, 71}, 43}, Cmaj7{{60, 64, 67, 71}, 36},
      A7{{61, 64, 67, 69}, 45}, Fmaj7{{60, 64, 65, 69}, 41}, Em7{{59, 62, 64, 67}, 40}, E7{{59, 62, 64, 68}, 40},
      Bbmaj7{{58, 62, 65, 69}, 46};
  std::vector<Chord> a{Dm7, G7, Cmaj7, A7, Dm7, G7, Cmaj7, Cmaj7};
  std::vector<Chord> waltz{Fmaj7, Em7, Dm7, Cmaj7, Fmaj7, Em7, Dm7, E7};
  std::vector<Chord> b{Bbmaj7, A7, Dm7, G7, Em7, A7, Dm7, G7};
  // Bars 20..27 are the 3/4 waltz.
  std::vector<Bar> bars = LayOut(s,
                                 {{'i', {Dm7, G7, Cmaj7, Cmaj7}},
                                  {'a', a},
                                  {'A', a},
                                  {'w', waltz},
                                  {'b', b},
                                  {'a', a},
                                  {'o', {Dm7, G7, Cmaj7, Cmaj7}}},
                                 20, 28);
  // Ritardando into the waltz, and the jump to 160 after it.
  s.tempo = {{bars[19].start + kBeat, 136},
             {bars[19].start + 2 * kBeat, 126},
             {bars[19].start + 3 * kBeat, 116},
             {bars[20].start, 108},
             {bars[27].start + 2 * kBeat, 132},
             {bars[28].start, 160}};
  const std::vector<int> key{0, 2, 4, 5, 7, 9, 11};
  Rng rng(1999);
  std::vector<std::string> ar{"x..x..x.x...x...", "x.x.x..xx.......", "x..x..x.x.x.x...", "x...x...x......."};
  std::vector<std::string> ar2{"x.xx.x.xx.x.x.x.", "x.x.x.xxx...x...", "x.xx.x.xx.x.x.x.", "x.x.x.x.x......."};
  std::vector<std::string> wr{"x...x...x...", "x.....x.x...", "x...x...x.x.", "x..........."};
  std::vector<std::string> br{"x.x.x.x.x.x.x.x.", "x.xx.xx.x.x.x...", "x.x.x.x.xx.xx.x.", "x.x.x.x.x......."};
  auto pa = ComposePhrase(rng, ar, {Dm7, G7, Cmaj7, A7}, key, 65, 81, 69);
  auto pa2 = ComposePhrase(rng, ar, {Dm7, G7, Cmaj7, Cmaj7}, key, 65, 81, 74);
  auto pA = ComposePhrase(rng, ar2, {Dm7, G7, Cmaj7, A7}, key, 65, 84, 72);
  auto pA2 = ComposePhrase(rng, ar2, {Dm7, G7, Cmaj7, Cmaj7}, key, 65, 84, 76);
  auto pw = ComposePhrase(rng, wr, {Fmaj7, Em7, Dm7, Cmaj7}, key, 64, 79, 72);
  auto pw2 = ComposePhrase(rng, wr, {Fmaj7, Em7, Dm7, E7}, key, 64, 79, 71);
  auto pb = ComposePhrase(rng, br, {Bbmaj7, A7, Dm7, G7}, key, 67, 84, 74);
  auto pb2 = ComposePhrase(rng, br, {Em7, A7, Dm7, G7}, key, 67, 84, 76);
  const Voice lead = Voice::Bell;
  PlacePhrase(s, pa, bars, 4, "bell_", lead, 0.9, 0.4f);
  PlacePhrase(s, pa2, bars, 8, "bell_", lead, 0.9, 0.4f);
  PlacePhrase(s, pA, bars, 12, "bell_", lead, 0.9, 0.4f);
  PlacePhrase(s, pA2, bars, 16, "bell_", lead, 0.9, 0.4f);
  PlacePhrase(s, pw, bars, 20, "bell_", lead, 0.9, 0.4f);
  PlacePhrase(s, pw2, bars, 24, "bell_", lead, 0.9, 0.4f);
  PlacePhrase(s, pb, bars, 28, "bell_", lead, 0.9, 0.4f);
  PlacePhrase(s, pb2, bars, 32, "bell_", lead, 0.9, 0.4f);
  PlacePhrase(s, pa, bars, 36, "bell_", lead, 0.9, 0.4f);
  PlacePhrase(s, pa2, bars, 40, "bell_", lead, 0.9, 0.4f);
  PlacePads(s, bars, 3.6, 0.38f);

  int kick = s.Sound("kick", Voice::Kick, {}, 0.4, 0.8f);
  int snare = s.Sound("snare", Voice::Snare, {}, 0.35, 0.55f);
  int ride = s.Sound("ride", Voice::Ride, {}, 0.9, 0.3f);
  int hat = s.Sound("hat", Voice::HatClosed, {}, 0.1, 0.3f);
  int crash = s.Sound("crash", Voice::Crash, {}, 2.2, 0.42f);
  int scratch = s.Sound("scratch", Voice::Scratch, {}, 0.2, 0.45f);
  for (size_t i = 0; i < bars.size(); ++i) {
    const Bar& bar = bars[i];
    char sec = bar.section;
    bool section_start = i == 0 || bars[i - 1].section != sec;
    if (section_start && sec != 'i') s.Add(bar.start, crash, Role::Accent, 0, 0);
    if (sec == 'w') {
      // Waltz: bass on one, plucked chord on two and three, ride on each beat.
      int id = s.Sound("bass_" + std::to_string(bar.chord.bass), Voice::Bass, {bar.chord.bass}, 0.6, 0.55f);
      s.Add(bar.start, id, Role::Bass, bar.chord.bass, kBackground);
      s.Add(bar.start, kick, Role::Kick, 0, kBackground);
      for (int q = 0; q < 3; ++q) s.Add(bar.start + q * kBeat, ride, Role::Hat, 0, kBackground);
      for (int q = 1; q < 3; ++q)
        for (int k = 1; k < 3; ++k) {
          int p = bar.chord.pad[k];
          int pid = s.Sound("pluck_" + std::to_string(p), Voice::Pluck, {p}, 0.8, 0.5f);
          s.Add(bar.start + q * kBeat, pid, Role::Harm, p, 1 + (k == 2));
        }
      continue;
    }
    // Walking bass: root, chord tones and an approach note into the next bar.
    if (sec != 'i' || i >= 2) {
      int next_root = i + 1 < bars.size() ? bars[i + 1].chord.bass : bar.chord.bass;
      int walk[4] = {bar.chord.bass, bar.chord.pad[1] - 24, bar.chord.pad[2] - 24, next_root + (i % 2 ? 1 : -1)};
      for (int q = 0; q < 4; ++q) {
        int p = walk[q];
        while (p < 33) p += 12;
        while (p > 50) p -= 12;
        int id = s.Sound("bass_" + std::to_string(p), Voice::Bass, {p}, 0.5, 0.55f);
        s.Add(bar.start + q * kBeat, id, Role::Bass, p, kBackground);
      }
    }
    bool drums = sec != 'i' || i >= 2;
    if (drums) {
      s.Add(bar.start, kick, Role::Kick, 0, kBackground);
      s.Add(bar.start + 2 * kBeat + 2 * kStep, kick, Role::Kick, 0, kBackground);
      s.Add(bar.start + kBeat, snare, Role::Snare, 0, sec == 'b' || sec == 'A' ? 2 : kBackground);
      s.Add(bar.start + 3 * kBeat, snare, Role::Snare, 0, sec == 'b' || sec == 'A' ? 2 : kBackground);
      for (int e = 0; e < 8; ++e) s.Add(bar.start + e * 2 * kStep, e % 2 ? hat : ride, Role::Hat, 0, kBackground);
    }
    if ((sec == 'b' || sec == 'A') && i % 4 == 3) s.Add(bar.start + 15 * kStep, scratch, Role::Accent, 0, 1);
    // Plucked arpeggio in 8ths over the chord.
    const int order[8] = {0, 1, 2, 3, 2, 1, 2, 3};
    for (int e = 0; e < 8; ++e) {
      if (sec == 'i' && e % 2) continue;
      int p = bar.chord.pad[order[e]] + (e >= 3 && e <= 4 ? 0 : 0);
      int id = s.Sound("pluck_" + std::to_string(p), Voice::Pluck, {p}, 0.8, 0.5f);
      int tier = (sec == 'b' || sec == 'A') ? (e % 2 ? 2 : 1) : (e % 4 == 2 ? 2 : kBackground);
      s.Add(bar.start + e * 2 * kStep, id, Role::Harm, p, tier);
    }
  }
  ImageIds img = AddArt(s, demo::PaintClockwork("CLOCKWORK TIDE", "KORVEX SOUND TEAM"), ".bmp", "tide");
  AddBgaCycle(s, bars, img.base, 4, img.layer, 2, img.blank, "wb");
  s.image_events.back().id = img.poor;
  s.charts = {{"tide_normal.bms", "NORMAL", 4, 2, 1, 7, 2}, {"tide_another.bme", "ANOTHER", 9, 2, 2, 7, 3}};
  return s;
}

// ---- Song 3: a chiptune in A minor at 150 BPM ---------------------------------

Song ComposeComet() {
  Song s;
  s.folder = "pixel_comet";
  s.title = "Pixel Comet";
  s.artist = "korvex sound team";
  s.genre = "CHIPTUNE";
  s.chart_sound_ext = ".ogg";
  s.bpm = 150;
  const Chord Am{{57, 60, 64, 69}, 45}, F{{57, 60, 65, 69}, 41}, C{{60, 64, 67, 72}, 36}, G{{59, 62, 67, 71}, 43},
      E{{56, 59, 64, 68}, 40}, Em{{59, 64, 67, 71}, 40};
  std::vector<Chord> a{Am, F, C, G, Am, F, G, E}, b{F, G, Em, Am, F, G, E, E};
  std::vector<Bar> bars = LayOut(s,
                                 {{'i', {Am, F, C, G}},
                                  {'a', a},
                                  {'b', b},
                                  {'a', a},
                                  {'k', {F, G, Am, Am}},
                                  {'b', b},
                                  {'o', {Am, F, G, Am}}},
                                 -1, -1);
  const std::vector<int> key{9, 11, 0, 2, 4, 5, 7};
  Rng rng(8086);
  std::vector<std::string> ar{"x.x.x.xxx.x.x.x.", "x.x.x.x.x..x.x..", "x.xxx.x.x.x.x.x.", "x.x.x.x.x.x....."};
  std::vector<std::string> br{"x.xxx.xxx.xxx.x.", "x.x.xxx.x.xxx.x.", "xxx.x.xxx.x.x.x.", "x.x.x.x.x.x.x.x."};
  std::vector<std::string> br2{"x.xxx.xxx.xxx.x.", "x.x.xxx.x.xxx.x.", "x.x.x.x.x.x.x.x.", "x...x...x......."};
  std::vector<std::string> kr{"x.......x.......", "x...x...x.......", "x.......x...x...", "x..............."};
  auto pa = ComposePhrase(rng, ar, {Am, F, C, G}, key, 69, 84, 76);
  auto pa2 = ComposePhrase(rng, ar, {Am, F, G, E}, key, 69, 84, 72);
  auto pb = ComposePhrase(rng, br, {F, G, Em, Am}, key, 72, 88, 81);
  auto pb2 = ComposePhrase(rng, br2, {F, G, E, E}, key, 72, 88, 83);
  auto pk = ComposePhrase(rng, kr, {F, G, Am, Am}, key, 69, 81, 72);
  auto po = ComposePhrase(rng, ar, {Am, F, G, Am}, key, 69, 84, 76);
  const Voice lead = Voice::SquareLead;
  for (int first : {4, 20}) {
    PlacePhrase(s, pa, bars, first, "sq_", lead, 0.3, 0.35f);
    PlacePhrase(s, pa2, bars, first + 4, "sq_", lead, 0.3, 0.35f);
  }
  for (int first : {12, 32}) {
    PlacePhrase(s, pb, bars, first, "sq_", lead, 0.3, 0.35f);
    PlacePhrase(s, pb2, bars, first + 4, "sq_", lead, 0.3, 0.35f);
  }
  PlacePhrase(s, pk, bars, 28, "sq_", lead, 0.3, 0.35f);
  PlacePhrase(s, po, bars, 40, "sq_", lead, 0.3, 0.35f);

  int kick = s.Sound("kick", Voice::Kick, {}, 0.3, 0.8f);
  int snare = s.Sound("snare", Voice::NoiseSnare, {}, 0.25, 0.5f);
  int hat = s.Sound("hat", Voice::HatClosed, {}, 0.08, 0.3f);
  int crash = s.Sound("crash", Voice::Crash, {}, 1.6, 0.4f);
  int scratch = s.Sound("scratch", Voice::Scratch, {}, 0.18, 0.45f);
  for (size_t i = 0; i < bars.size(); ++i) {
    const Bar& bar = bars[i];
    char sec = bar.section;
    bool section_start = i == 0 || bars[i - 1].section != sec;
    if (section_start && sec != 'i') s.Add(bar.start, crash, Role::Accent, 0, 0);
    bool full = sec == 'a' || sec == 'b' || sec == 'o';
    if (full || (sec == 'i' && i >= 2)) {
      for (int q = 0; q < 4; ++q) {
        bool snare_beat = q % 2 == 1;
        if (!snare_beat || sec == 'i') s.Add(bar.start + q * kBeat, kick, Role::Kick, 0, kBackground);
        if (snare_beat && sec != 'i') s.Add(bar.start + q * kBeat, snare, Role::Snare, 0, sec == 'b' ? 2 : 3);
      }
      s.Add(bar.start + 10 * kStep, kick, Role::Kick, 0, kBackground);
    }
    for (int e = 0; e < 8; ++e)
      if (sec != 'k' || e % 2 == 0) s.Add(bar.start + e * 2 * kStep + kStep * (e % 2 ? 0 : 0), hat, Role::Hat, 0, kBackground);
    if ((sec == 'a' || sec == 'b') && i % 4 == 3) s.Add(bar.start + 14 * kStep, scratch, Role::Accent, 0, 1);
    // Triangle bass: 8ths with octave jumps.
    if (sec != 'i' || i >= 1)
      for (int e = 0; e < 8; ++e) {
        int p = bar.chord.bass - 12 + (e % 4 == 2 ? 12 : 0);
        int id = s.Sound("tri_" + std::to_string(p), Voice::TriBass, {p}, 0.2, 0.6f);
        s.Add(bar.start + e * 2 * kStep, id, Role::Bass, p, kBackground);
      }
    // 16th arpeggio up and down the chord, an octave up.
    const int order[16] = {0, 1, 2, 3, 2, 1, 0, 1, 2, 3, 2, 1, 0, 1, 2, 3};
    for (int st = 0; st < 16; ++st) {
      if (sec == 'k' && st % 2) continue;
      int p = bar.chord.pad[order[st]] + 12;
      int id = s.Sound("arp_" + std::to_string(p), Voice::PulseArp, {p}, 0.16, 0.3f);
      int tier = sec == 'i' || st % 2 ? kBackground : st % 4 == 2 ? 2 : st % 8 == 0 ? 3 : kBackground;
      s.Add(bar.start + st * kStep, id, Role::Harm, p, tier);
    }
  }
  ImageIds img = AddArt(s, demo::PaintComet("PIXEL COMET", "KORVEX SOUND TEAM"), ".png", "comet");
  AddBgaCycle(s, bars, img.base, 4, img.layer, 2, img.blank, "b");
  s.image_events.back().id = img.poor;
  s.charts = {{"comet_light5.bms", "5KEYS LIGHT", 1, 3, 0, 5, 2},
              {"comet_normal.bme", "NORMAL", 5, 2, 1, 7, 2},
              {"comet_another.bme", "ANOTHER", 10, 2, 3, 7, 3}};
  return s;
}

// ---- Song 4: a short remix of Pixel Comet charted for the modern rules -------

// The first 20 bars of Pixel Comet (intro, verse, bridge) with a one-beat stop
// where the bridge starts and a faster tempo (an extended tempo change with a
// fraction) for the second half of the bridge; one ".bml" chart for the modern
// chart rules (base-36 ids above FF, long notes, mines).
Song ComposeCometRemix() {
  Song s = ComposeComet();
  constexpr int kBars = 20;  // all 4/4
  const int end = kBars * 4 * kBeat;
  s.folder = "comet_remix";
  s.title = "Pixel Comet Remix";
  s.measure_ticks.resize(kBars);
  s.measure_ticks.push_back(4 * kBeat);  // the closing measure
  s.events.erase(std::remove_if(s.events.begin(), s.events.end(), [&](const Event& e) { return e.tick >= end; }),
                 s.events.end());
  s.image_events.erase(std::remove_if(s.image_events.begin(), s.image_events.end(),
                                      [&](const ImageEvent& e) { return e.tick >= end; }),
                       s.image_events.end());
  s.stops = {{12 * 4 * kBeat, kBeat}};
  s.extended_tempo = {{16 * 4 * kBeat, 162.5}};
  s.charts = {{"comet_remix.bml", "MODERN", 6, 2, 2, 7, 2, true}};
  return s;
}

// ---- Charting -------------------------------------------------------------

struct Placed {
  int tick;
  int channel;  // 1 for background, 11..19 lanes
  int id;
};

const int kLaneChannels[7] = {11, 12, 13, 14, 15, 18, 19};

int RolePriority(Role r) {
  switch (r) {
    case Role::Accent: return 0;
    case Role::Lead: return 1;
    case Role::Snare: return 2;
    case Role::Harm: return 3;
    default: return 4;
  }
}

// Picks the events a chart plays as notes and gives each a lane. An event
// whose lanes are all too busy (a note in the same lane less than
// kMinLaneGapMs before, or the chord limit reached) stays in the background.
std::vector<Placed> Chart(const Song& song, const ChartPlan& plan) {
  std::vector<Event> ev = song.events;
  std::stable_sort(ev.begin(), ev.end(), [](const Event& a, const Event& b) {
    if (a.tick != b.tick) return a.tick < b.tick;
    if (RolePriority(a.role) != RolePriority(b.role)) return RolePriority(a.role) < RolePriority(b.role);
    return a.pitch < b.pitch;
  });
  int lead_lo = 127, lead_hi = 0, harm_lo = 127, harm_hi = 0;
  for (const Event& e : ev) {
    if (e.role == Role::Lead) lead_lo = std::min(lead_lo, e.pitch), lead_hi = std::max(lead_hi, e.pitch);
    if (e.role == Role::Harm) harm_lo = std::min(harm_lo, e.pitch), harm_hi = std::max(harm_hi, e.pitch);
  }
  const int keys = plan.keys;
  // Lane sets by role (indices 0..keys-1). With several roles in play the
  // melody takes the right hand and the accompaniment the left.
  bool busy_chart = plan.max_tier >= 2;
  std::vector<int> lead_lanes, harm_lanes, drum_lanes;
  for (int k = 0; k < keys; ++k) lead_lanes.push_back(k);
  if (busy_chart && keys == 7) {
    lead_lanes = {3, 4, 5, 6};
    harm_lanes = {0, 1, 2};
    drum_lanes = {3, 2};
  } else {
    harm_lanes = lead_lanes;
    drum_lanes = {keys / 2};
  }
  std::vector<double> last_ms(keys + 1, -1e9);  // last index: scratch
  std::vector<int> last_tick(keys + 1, -1);
  std::vector<Placed> out;
  int chord_tick = -1, chord_size = 0;
  for (const Event& e : ev) {
    double ms = song.TickToMs(e.tick);
    if (e.tick != chord_tick) chord_tick = e.tick, chord_size = 0;
    bool note = e.tier <= plan.max_tier && chord_size < plan.max_chord;
    auto free = [&](int lane) { return last_tick[lane] != e.tick && ms - last_ms[lane] >= kMinLaneGapMs; };
    int chosen = -1;
    if (note) {
      if (e.role == Role::Accent) {
        if (free(keys)) chosen = keys;
      } else {
        const std::vector<int>* set = &lead_lanes;
        int lo = lead_lo, hi = lead_hi;
        if (e.role == Role::Harm) set = &harm_lanes, lo = harm_lo, hi = harm_hi;
        if (e.role == Role::Snare || e.role == Role::Kick) set = &drum_lanes;
        int n = static_cast<int>(set->size());
        int pref = hi > lo ? static_cast<int>(std::lround(static_cast<double>(e.pitch - lo) * (n - 1) / (hi - lo))) : n / 2;
        pref = std::clamp(pref, 0, n - 1);
        for (int d = 0; d < n && chosen < 0; ++d)
          for (int sign : {1, -1}) {
            int k = pref + sign * d;
            if (k >= 0 && k < n && free((*set)[k])) {
              chosen = (*set)[k];
              break;
            }
          }
      }
    }
    if (chosen >= 0) {
      last_ms[chosen] = ms;
      last_tick[chosen] = e.tick;
      ++chord_size;
      out.push_back({e.tick, chosen == keys ? 16 : kLaneChannels[chosen], e.sound});
    } else {
      out.push_back({e.tick, 1, e.sound});
    }
  }
  return out;
}

std::string Hex2(int v) {
  static const char* kHex = "0123456789ABCDEF";
  return {kHex[(v >> 4) & 15], kHex[v & 15]};
}

// Two base-36 digits (the modern chart rules): 0..1295.
std::string Base36(int v) {
  static const char* kDigits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  return {kDigits[(v / 36) % 36], kDigits[v % 36]};
}

std::string Measure3(int m) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%03d", m);
  return buf;
}

std::string Channel2(int channel) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", channel);
  return buf;
}

// (offset in 1/192, two-character value) of one measure of one channel.
using Items = std::vector<std::pair<int, std::string>>;
// channel -> measure -> items; channels are written in the order of their text.
using ChannelLines = std::map<std::string, std::map<int, Items>>;

// One channel line for the given items; the grid is the coarsest that holds
// every offset exactly.
std::string ChannelLine(int measure, const std::string& channel, const Items& items) {
  int g = 192;
  for (const auto& item : items) g = std::gcd(g, item.first);
  int n = 192 / g;
  std::string data(static_cast<size_t>(n) * 2, '0');
  for (const auto& [off, v] : items) {
    data[(off / g) * 2] = v[0];
    data[(off / g) * 2 + 1] = v[1];
  }
  return "#" + Measure3(measure) + channel + ":" + data + "\r\n";
}

// Measures of a song: the measure of a tick and its offset in 1/192.
struct MeasureGrid {
  explicit MeasureGrid(const Song& song) : ticks(song.measure_ticks), starts(song.measure_ticks.size() + 1, 0) {
    for (size_t m = 0; m < ticks.size(); ++m) starts[m + 1] = starts[m] + ticks[m];
  }
  int MeasureOf(int tick) const {
    return static_cast<int>(std::upper_bound(starts.begin(), starts.end(), tick) - starts.begin()) - 1;
  }
  int OffsetOf(int tick) const {
    const int m = MeasureOf(tick);
    return (tick - starts[m]) * 192 / ticks[m];
  }
  void Add(ChannelLines& lines, const std::string& channel, int tick, const std::string& value) const {
    lines[channel][MeasureOf(tick)].push_back({OffsetOf(tick), value});
  }
  std::vector<int> ticks, starts;
};

// The measure-length lines and the channel lines measure by measure.
void AppendChannelLines(std::string& t, const Song& song, ChannelLines& lines) {
  const int measures = static_cast<int>(song.measure_ticks.size());
  for (int m = 0; m < measures; ++m) {
    if (song.measure_ticks[m] != 192) {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%g", song.measure_ticks[m] / 192.0);
      t += "#" + Measure3(m) + "02:" + buf + "\r\n";
    }
    for (auto& [channel, by_measure] : lines) {
      auto it = by_measure.find(m);
      if (it == by_measure.end()) continue;
      // Split items that share an offset over several lines (background
      // sounds; anything else never collides).
      std::vector<Items> split;
      for (const auto& item : it->second) {
        size_t k = 0;
        while (k < split.size() && std::any_of(split[k].begin(), split[k].end(),
                                               [&](const auto& x) { return x.first == item.first; }))
          ++k;
        if (k == split.size()) split.emplace_back();
        split[k].push_back(item);
      }
      for (const auto& line : split) t += ChannelLine(m, channel, line);
    }
  }
  // The closing measure carries no objects; this line marks it as part of the chart.
  t += "#" + Measure3(measures - 1) + "01:00\r\n";
}

struct ChartStats {
  int notes = 0, scratch = 0, long_notes = 0, mines = 0;
  double length_ms = 0;
};

int Total(int notes) { return std::max(160, static_cast<int>(std::lround(7.605 * notes / (0.01 * notes + 6.5)))); }

std::string HeaderLines(const Song& song, const ChartPlan& plan, int notes) {
  std::string t = "\r\n";
  t += "#PLAYER 1\r\n";
  t += "#GENRE " + song.genre + "\r\n";
  t += "#TITLE " + song.title + " [" + plan.label + "]\r\n";
  t += "#ARTIST " + song.artist + "\r\n";
  t += "#BPM " + std::to_string(song.bpm) + "\r\n";
  t += "#PLAYLEVEL " + std::to_string(plan.level) + "\r\n";
  t += "#RANK " + std::to_string(plan.rank) + "\r\n";
  t += "#TOTAL " + std::to_string(Total(notes)) + "\r\n";
  t += "#STAGEFILE " + song.stage_file + "\r\n\r\n";
  return t;
}

// The sound and image definitions with the id text of the chart's rules.
std::string DefinitionLines(const Song& song, std::string (*id)(int)) {
  std::string t;
  for (size_t i = 0; i < song.sounds.size(); ++i)
    t += "#WAV" + id(static_cast<int>(i) + 1) + " " + song.sounds[i].name + song.chart_sound_ext + "\r\n";
  t += "\r\n";
  for (size_t i = 0; i < song.images.size(); ++i)
    if (song.images[i].file != song.stage_file) t += "#BMP" + id(static_cast<int>(i) + 1) + " " + song.images[i].file + "\r\n";
  t += "\r\n";
  return t;
}

std::string WriteChart(const Song& song, const ChartPlan& plan, ChartStats& stats) {
  std::vector<Placed> placed = Chart(song, plan);
  int notes = 0;
  for (const Placed& p : placed)
    if (p.channel != 1) ++notes, stats.scratch += p.channel == 16;
  stats.notes = notes;
  stats.length_ms = song.TickToMs(song.TotalTicks());

  std::string t = HeaderLines(song, plan, notes) + DefinitionLines(song, Hex2);
  const MeasureGrid grid(song);
  ChannelLines lines;
  for (const Placed& p : placed) grid.Add(lines, Channel2(p.channel), p.tick, Hex2(p.id));
  for (const auto& [tick, bpm] : song.tempo) grid.Add(lines, "03", tick, Hex2(bpm));
  for (const ImageEvent& e : song.image_events) grid.Add(lines, Channel2(e.channel), e.tick, Hex2(e.id));
  AppendChannelLines(t, song, lines);
  return t;
}

// Every id of the modern chart lies above FF: sound and image n is A0 + n.
constexpr int kModernIdBase = 360;

std::string ModernId(int v) { return Base36(kModernIdBase + v); }

// A chart for the modern rules: base-36 ids above FF, long notes (a key note
// whose lane stays free for two beats or more holds for half the gap, at most
// two beats, on the 16th grid), mines in free stretches of lane 1 during the
// bridge, the song's stops and extended tempo changes.
std::string WriteModernChart(const Song& song, const ChartPlan& plan, ChartStats& stats) {
  std::vector<Placed> placed = Chart(song, plan);
  const int end_tick = song.TotalTicks() - song.measure_ticks.back();
  std::map<int, std::vector<size_t>> by_lane;
  for (size_t i = 0; i < placed.size(); ++i)
    if (placed[i].channel != 1) by_lane[placed[i].channel].push_back(i);
  std::map<size_t, int> long_end;  // placed index -> end tick
  for (auto& [lane, indices] : by_lane) {
    std::sort(indices.begin(), indices.end(), [&](size_t a, size_t b) { return placed[a].tick < placed[b].tick; });
    if (lane == 16) continue;
    for (size_t k = 0; k < indices.size(); ++k) {
      const int tick = placed[indices[k]].tick;
      const int next = k + 1 < indices.size() ? placed[indices[k + 1]].tick : end_tick;
      const int length = std::min(2 * kBeat, (next - tick) / 2 / kStep * kStep);
      if (next - tick >= 2 * kBeat && length >= kBeat) long_end[indices[k]] = tick + length;
    }
  }
  // Mines: on beat 3 of the bars 8..11, in the first key lane with no note or
  // long note within a beat of it.
  const MeasureGrid grid(song);
  std::vector<std::pair<int, int>> mines;  // (tick, lane channel)
  for (int bar = 8; bar < 12; ++bar) {
    const int tick = grid.starts[bar] + 2 * kBeat;
    for (int lane : kLaneChannels) {
      bool free = true;
      for (size_t i : by_lane[lane]) {
        const int from = placed[i].tick - kBeat;
        const int to = (long_end.count(i) ? long_end[i] : placed[i].tick) + kBeat;
        if (tick >= from && tick <= to) free = false;
      }
      if (!free) continue;
      mines.push_back({tick, lane});
      break;
    }
  }

  int notes = 0;
  for (const Placed& p : placed)
    if (p.channel != 1) ++notes, stats.scratch += p.channel == 16;
  stats.notes = notes;
  stats.long_notes = static_cast<int>(long_end.size());
  stats.mines = static_cast<int>(mines.size());
  stats.length_ms = song.TickToMs(song.TotalTicks());

  std::string t = HeaderLines(song, plan, notes);
  t += "#SUBTITLE modern chart demo\r\n#DIFFICULTY 3\r\n#LNTYPE 1\r\n";
  for (size_t i = 0; i < song.extended_tempo.size(); ++i) {
    char value[32];
    std::snprintf(value, sizeof value, "%g", song.extended_tempo[i].second);
    t += "#BPM" + Base36(static_cast<int>(i) + 1) + " " + value + "\r\n";
  }
  for (size_t i = 0; i < song.stops.size(); ++i)
    t += "#STOP" + Base36(static_cast<int>(i) + 1) + " " + std::to_string(song.stops[i].second) + "\r\n";
  t += "\r\n" + DefinitionLines(song, ModernId);

  ChannelLines lines;
  for (size_t i = 0; i < placed.size(); ++i) {
    const Placed& p = placed[i];
    auto it = long_end.find(i);
    if (it == long_end.end()) {
      grid.Add(lines, Channel2(p.channel), p.tick, ModernId(p.id));
    } else {
      grid.Add(lines, Channel2(p.channel + 40), p.tick, ModernId(p.id));
      grid.Add(lines, Channel2(p.channel + 40), it->second, ModernId(p.id));
    }
  }
  for (const auto& [tick, lane] : mines)
    grid.Add(lines, "D" + std::to_string(lane - 10), tick, "0K");  // 20: costs 10 percent of gauge
  for (const auto& [tick, bpm] : song.tempo) grid.Add(lines, "03", tick, Hex2(bpm));
  for (size_t i = 0; i < song.extended_tempo.size(); ++i)
    grid.Add(lines, "08", song.extended_tempo[i].first, Base36(static_cast<int>(i) + 1));
  for (size_t i = 0; i < song.stops.size(); ++i) grid.Add(lines, "09", song.stops[i].first, Base36(static_cast<int>(i) + 1));
  for (const ImageEvent& e : song.image_events) grid.Add(lines, Channel2(e.channel), e.tick, ModernId(e.id));
  AppendChannelLines(t, song, lines);
  return t;
}

bool WriteSong(const std::string& songs, Song& song, std::string& report) {
  std::string dir = songs + "/" + song.folder;
  kvx::MakeFolder(dir);
  bool ok = true;
  if (song.sounds.size() > 255 || song.images.size() > 255 || kModernIdBase + song.sounds.size() > 1295 ||
      kModernIdBase + song.images.size() > 1295) {
    std::fprintf(stderr, "assetgen: %s uses too many ids\n", song.folder.c_str());
    return false;
  }
  for (const SoundDef& d : song.sounds)
    ok &= SaveSoundOgg(demo::Synthesize(d.voice, d.pitches, d.seconds, d.gain * kMasterGain),
                       dir + "/" + d.name + ".ogg");
  for (const ImageDef& img : song.images) {
    const std::string& f = img.file;
    bool bmp = f.size() > 4 && f.compare(f.size() - 4, 4, ".bmp") == 0;
    ok &= bmp ? SavePictureBmp(img.picture, dir + "/" + f) : SavePicturePng(img.picture, dir + "/" + f);
  }
  for (const ChartPlan& plan : song.charts) {
    ChartStats stats;
    ok &= SaveText(plan.modern ? WriteModernChart(song, plan, stats) : WriteChart(song, plan, stats),
                   dir + "/" + plan.file);
    char line[256];
    std::snprintf(line, sizeof line, "  %-28s %-12s level %2d  %3d bpm  %5.1f s  %4d notes (%d scratch)  %.1f notes/s\n",
                  (song.folder + "/" + plan.file).c_str(), plan.label.c_str(), plan.level, song.bpm,
                  stats.length_ms / 1000.0, stats.notes, stats.scratch, stats.notes * 1000.0 / stats.length_ms);
    report += line;
    if (plan.modern) {
      std::snprintf(line, sizeof line, "  %-28s %d long notes, %d mines, %zu stop(s), %zu extended tempo change(s)\n", "",
                    stats.long_notes, stats.mines, song.stops.size(), song.extended_tempo.size());
      report += line;
    }
  }
  return ok;
}

const char kReadme[] =
    "korvex demo songs\r\n"
    "=================\r\n"
    "\r\n"
    "These songs, their charts, sounds and pictures are generated by korvex's own\r\n"
    "asset tool (tools/assetgen) when korvex is built. Everything here was composed\r\n"
    "and drawn by that program; nothing comes from anywhere else.\r\n"
    "\r\n"
    "They are free to use, copy, change and share for any purpose, without asking\r\n"
    "and without any warranty.\r\n"
    "\r\n"
    "  sunrise_parade/  Sunrise Parade  - house pop, 128 BPM (BEGINNER, HYPER)\r\n"
    "  clockwork_tide/  Clockwork Tide  - jazz fusion, 144/108/160 BPM with a waltz (NORMAL, ANOTHER)\r\n"
    "  pixel_comet/     Pixel Comet     - chiptune, 150 BPM (5KEYS LIGHT, NORMAL, ANOTHER)\r\n"
    "  comet_remix/     Pixel Comet Remix - chiptune, 150/162.5 BPM with a stop, long notes and mines;\r\n"
    "                   a .bml chart for the modern chart rules (MODERN)\r\n";

}  // namespace

bool WriteDemoSongs(const std::string& songs) {
  auto t0 = std::chrono::steady_clock::now();
  kvx::MakeFolder(songs);
  bool ok = SaveText(kReadme, songs + "/README.txt");
  std::string report;
  for (Song (*compose)() : {ComposeSunrise, ComposeClockwork, ComposeComet, ComposeCometRemix}) {
    Song song = compose();
    ok &= WriteSong(songs, song, report);
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("assetgen: demo songs written in %.2f s\n%s", seconds, report.c_str());
  return ok;
}

}  // namespace assetgen
