// Song select with a 20,000-entry list: one DrawList frame on the software
// renderer (steady, and while the cursor moves every frame), the same with
// 200 entries to show that nothing per frame grows with the list, the four
// sorts, and the preview of a real-size chart (1,000 notes, OGG key sounds):
// the time from the preview delay firing to its first sound, and the longest
// single frame of the event pump meanwhile.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/sound_links.h"
#include "media/sound.h"
#include "platform/files.h"
#include "play/ready_bms.h"
#include "screens/song_select.h"
#include "song_select_setup.h"

namespace {

namespace fs = std::filesystem;
using kvx::bench::Clock;
using kvx::bench::MsSince;

// CPU time of this thread in ms (the machine may be shared: wall time then
// includes waiting for a core).
double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

std::string TempFolder() { return kvx::bench::MakeTempFolder("kvxbench"); }

// Titles, artists and genres of mixed scripts and letter case.
std::vector<kvx::SongEntry> MakeList(int count) {
  static const char* words[] = {"Sunrise", "parade", "Clockwork", "tide", "夜明け", "の", "パレード", "Pixel",
                                "comet", "Ärger", "Étoile", "태엽", "물결", "Nova", "storm", "ＨＹＰＥＲ"};
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> word(0, 15), level(1, 12);
  std::vector<kvx::SongEntry> list;
  list.reserve(count);
  for (int i = 0; i < count; ++i) {
    kvx::SongEntry e;
    e.Title = std::string(words[word(rng)]) + " " + words[word(rng)] + " " + std::to_string(i) + " [ANOTHER]";
    e.Artist = std::string(words[word(rng)]) + " " + words[word(rng)];
    e.Genre = words[word(rng)];
    e.PlayLevel = level(rng);
    e.Player = 1;
    e.Bpm = 150;
    e.WavCount = 300;
    e.BmpCount = 4;
    e.FilePath = "/nowhere/" + std::to_string(i) + ".bms";
    list.push_back(std::move(e));
  }
  return list;
}

// A game on the dummy display with the generated data folder.
struct SelectScreen {
  std::string folder = TempFolder();
  kvx::Game g;
  explicit SelectScreen(int entries) {
    kvx::bench::CopyGeneratedData(folder);
    kvx::bench::StartSongSelectDisplay(g, folder);
    g.library.SongList = MakeList(entries);
    g.library.SongListLast = entries - 1;
    g.library.SongMarks.assign(entries, false);
    for (int i = 0; i < entries; i += 3) g.library.SongMarks[i] = true;
    g.app.GameState = kvx::Screen::SongList;
    g.app.ListCursor = entries / 2;
    kvx::chexec(g);
    for (int i = 0; i < 60; ++i) kvx::DrawList(g);  // the opening animation has ended
  }
  ~SelectScreen() {
    kvx::ReleaseDirectX(g);
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
};

void BM_DrawList_Steady(benchmark::State& state) {
  SelectScreen s(static_cast<int>(state.range(0)));
  for (auto _ : state) kvx::DrawList(s.g);
  state.counters["entries"] = static_cast<double>(state.range(0));
}

// The cursor moves one entry every frame: a new row and a new title each frame.
void BM_DrawList_Moving(benchmark::State& state) {
  SelectScreen s(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    int16_t down = 208;
    kvx::ProcessKey_SongSelect(s.g, down);
    kvx::DrawList(s.g);
  }
  state.counters["entries"] = static_cast<double>(state.range(0));
}

BENCHMARK(BM_DrawList_Steady)->Arg(200)->Arg(20000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawList_Moving)->Arg(200)->Arg(20000)->Unit(benchmark::kMicrosecond);

// ---- sorts ---------------------------------------------------------------------

void Sort(benchmark::State& state, void (*sort)(kvx::Game&)) {
  kvx::Game g;
  const std::vector<kvx::SongEntry> list = MakeList(20000);
  for (auto _ : state) {
    state.PauseTiming();
    g.library.SongList = list;
    state.ResumeTiming();
    sort(g);
  }
  state.counters["entries"] = 20000;
}

void BM_SortByLevel(benchmark::State& state) { Sort(state, kvx::SortByLevel); }
void BM_SortByGenre(benchmark::State& state) { Sort(state, kvx::SortByGenre); }
void BM_SortByTitle(benchmark::State& state) { Sort(state, kvx::SortByTitle); }
void BM_SortByArtist(benchmark::State& state) { Sort(state, kvx::SortByArtist); }
BENCHMARK(BM_SortByLevel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByGenre)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByTitle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortByArtist)->Unit(benchmark::kMillisecond);

// ---- preview -------------------------------------------------------------------

constexpr int kKeySounds = 500;
constexpr int kIds = 255;   // the chart format's two hex digits name at most 255 sounds
constexpr int kNotes = 1000;

// 500 OGG key sounds and a chart of 1,000 notes on 255 of them, with a
// background track; the first note is at the start of measure 1.
struct PreviewSong {
  std::string folder = TempFolder();
  std::string chart = folder + "/song.bms";
  PreviewSong() {
    for (int i = 0; i < kKeySounds; ++i) {
      const std::string path = folder + "/key" + std::to_string(i) + ".ogg";
      SF_INFO info{};
      info.samplerate = 44100;
      info.channels = 2;
      info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
      SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
      if (!f) continue;
      const double length = 0.3 + (i % 5) * 0.2, hz = 110.0 * std::pow(2.0, (i % 36) / 12.0);
      std::vector<float> s(static_cast<size_t>(44100 * length) * 2);
      for (size_t k = 0; k < s.size() / 2; ++k) {
        double t = static_cast<double>(k) / 44100;
        s[2 * k] = s[2 * k + 1] = static_cast<float>(0.4 * std::exp(-4 * t) * std::sin(2 * M_PI * hz * t));
      }
      sf_writef_float(f, s.data(), static_cast<sf_count_t>(s.size() / 2));
      sf_close(f);
    }
    std::string text = "#PLAYER 1\r\n#TITLE preview\r\n#BPM 150\r\n";
    char line[96];
    for (int id = 1; id <= kIds; ++id) {
      std::snprintf(line, sizeof line, "#WAV%02X key%d.ogg\r\n", id, id - 1);
      text += line;
    }
    const int lanes[8] = {11, 12, 13, 14, 15, 16, 18, 19};
    int note = 0;
    for (int m = 1; note < kNotes; ++m) {
      for (int l = 0; l < 8 && note < kNotes; ++l) {
        std::string data;
        for (int k = 0; k < 4; ++k) {
          if ((k + l) % 2 == 0 && note < kNotes) {
            std::snprintf(line, sizeof line, "%02X", 1 + (note++ % kIds));
            data += line;
          } else {
            data += "00";
          }
        }
        std::snprintf(line, sizeof line, "#%03d%02d:", m, lanes[l]);
        text += line + data + "\r\n";
      }
      std::snprintf(line, sizeof line, "#%03d01:%02X00%02X00\r\n", m, 1 + (m * 7) % kIds, 1 + (m * 11) % kIds);
      text += line;
    }
    kvx::WriteFileBytes(chart, text);
  }
  ~PreviewSong() {
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
};

PreviewSong& TheSong() {
  static PreviewSong song;
  return song;
}

void BM_PreviewFirstSound(benchmark::State& state) {
  PreviewSong& song = TheSong();
  kvx::Game g;
  const std::string program = TempFolder();
  g.SetProgramFolder(program);
  g.options.headless = true;
  fs::create_directories(g.paths.data + "/wav");
  kvx::InitDS(g);
  if (!kvx::SoundAvailable(g.sound)) {
    state.SkipWithError("no sound device (set ALSOFT_DRIVERS=null)");
    return;
  }
  kvx::SongEntry entry;
  entry.Title = "preview";
  entry.FilePath = song.chart;
  g.library.SongList = {entry, entry};
  g.library.SongList[1].FilePath = song.chart + ".other";
  g.app.GameState = kvx::Screen::SongList;
  g.settings.BMSPreview = true;
  // Under the modern rules the rest also scans the chart's header for the panel.
  g.settings.ModernCharts = state.range(0) != 0;
  double first_sound = 0, longest_pump = 0, fire_call = 0, fire_cpu = 0, longest_pump_cpu = 0;
  for (auto _ : state) {
    // Forget the sounds of the last round, as a chart seen for the first time.
    state.PauseTiming();
    g.app.ListCursor = 1;
    kvx::chexec(g);
    g.chart.WavFile.fill(std::string());
    g.library.SongList[0].NoteCount = 0;  // scanned again, as a chart seen for the first time
    g.settings.BMSPreview = true;
    g.app.ListCursor = 0;
    kvx::chexec(g);
    kvx::ReleaseChangedSounds(g.sound, g.chart);
    g.pump.KillTimer(kvx::kPreviewTimerId);
    state.ResumeTiming();
    const auto t0 = Clock::now();
    const double c0 = ThreadCpuMs();
    kvx::PreviewDelayElapsed(g);
    fire_call = std::max(fire_call, MsSince(t0));
    fire_cpu = std::max(fire_cpu, ThreadCpuMs() - c0);
    double longest = 0, longest_cpu = 0;
    while (!kvx::IsWavPlaying(g.sound, 1) && MsSince(t0) < 5000) {
      const auto p0 = Clock::now();
      const double pc = ThreadCpuMs();
      g.pump.Pump();
      longest = std::max(longest, MsSince(p0));
      longest_cpu = std::max(longest_cpu, ThreadCpuMs() - pc);
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    const double ms = MsSince(t0);
    state.SetIterationTime(ms / 1000);
    first_sound = std::max(first_sound, ms);
    longest_pump = std::max(longest_pump, longest);
    longest_pump_cpu = std::max(longest_pump_cpu, longest_cpu);
    if (!kvx::IsWavPlaying(g.sound, 1)) state.SkipWithError("the preview did not sound within 5 s");
  }
  state.counters["first_sound_ms_worst"] = first_sound;
  state.counters["timer_call_ms_worst"] = fire_call;
  state.counters["timer_call_cpu_ms"] = fire_cpu;
  state.counters["longest_pump_ms"] = longest_pump;
  state.counters["longest_pump_cpu_ms"] = longest_pump_cpu;
  std::error_code ec;
  fs::remove_all(program, ec);
}

BENCHMARK(BM_PreviewFirstSound)->ArgName("modern")->Arg(0)->Arg(1)->UseManualTime()->Iterations(5)->Unit(
    benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("ALSOFT_DRIVERS", "null", 0);
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
