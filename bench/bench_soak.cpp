// Soak: the memory of one process over many plays and loads.
//  - Plays: the whole program, headless on a scripted clock, plays a short
//    chart in demo mode from the song list again and again (song list, play,
//    result screen, back to the song list).
//  - Loads: a real-size generated chart (255 key sounds, 2,000 notes) and a
//    second one naming other sound files are loaded in turn with their sounds,
//    so every load releases and loads all of them.
// Memory (resident set, and heap in use) is printed after every 100; the
// target is growth under 5 MB after the first 100. KVX_SOAK_COUNT changes the
// count (1,000 by default).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sndfile.h>
#include <unistd.h>

#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/game.h"
#include "app/sound_links.h"
#include "app/program.h"
#include "chart/bms.h"
#include "media/display.h"
#include "media/sound.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

constexpr double kTargetGrowthMb = 5.0;

int SoakCount() {
  const char* text = std::getenv("KVX_SOAK_COUNT");
  const int n = text ? std::atoi(text) : 1000;
  return n >= 100 ? n : 100;
}

struct Memory {
  double resident_mb = 0;
  double heap_mb = 0;
};

Memory MemoryNow() {
  Memory m;
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  m.resident_mb = static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1 << 20);
  const struct mallinfo2 info = mallinfo2();
  m.heap_mb = static_cast<double>(info.uordblks + info.hblkhd) / (1 << 20);
  return m;
}

// Memory after every 100 rounds; the growth is measured from the first 100.
class MemoryLog {
 public:
  explicit MemoryLog(std::string what) : what_(std::move(what)) {}
  void Round(int done) {
    if (done % 100 != 0) return;
    const Memory m = MemoryNow();
    if (done == 100) first_ = m;
    last_ = m;
    std::printf("%s %5d: resident %7.1f MB, heap %7.1f MB\n", what_.c_str(), done, m.resident_mb, m.heap_mb);
    std::fflush(stdout);
  }
  // Reports the figures; fails the benchmark when the target is missed.
  void Report(benchmark::State& state, int done, int wanted) const {
    state.counters["rounds"] = done;
    state.counters["resident_MB_after_100"] = first_.resident_mb;
    state.counters["resident_growth_MB"] = last_.resident_mb - first_.resident_mb;
    state.counters["heap_growth_MB"] = last_.heap_mb - first_.heap_mb;
    if (done < wanted) state.SkipWithError((what_ + ": stopped early").c_str());
    else if (last_.resident_mb - first_.resident_mb >= kTargetGrowthMb ||
             last_.heap_mb - first_.heap_mb >= kTargetGrowthMb)
      state.SkipWithError((what_ + ": memory grew by 5 MB or more after the first 100").c_str());
  }

 private:
  std::string what_;
  Memory first_, last_;
};

// A short decaying tone as a 16-bit WAV file.
bool WriteTone(const std::string& path, double hz, double seconds) {
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) return false;
  std::vector<float> s(static_cast<size_t>(info.samplerate * seconds));
  for (size_t k = 0; k < s.size(); ++k) {
    const double t = static_cast<double>(k) / info.samplerate;
    s[k] = static_cast<float>(0.4 * std::exp(-10 * t) * std::sin(2 * M_PI * hz * t));
  }
  sf_writef_float(f, s.data(), static_cast<sf_count_t>(s.size()));
  sf_close(f);
  return true;
}

std::string TwoDigits(int v) {
  static const char* digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  return std::string{digits[v / 36], digits[v % 36]};
}

std::string Hex(int v) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", v);
  return text;
}

// A program folder with the generated data and no settings, lists or log of an
// earlier run.
struct ProgramFolder {
  ProgramFolder() {
    char pattern[] = "/tmp/kvx-soak-XXXXXX";
    path = mkdtemp(pattern);
    fs::copy(fs::path(KVX_BUILD_DIR) / "_kvxfiles", fs::path(path) / "_kvxfiles", fs::copy_options::recursive);
    for (const char* leftover : {"kvx_conf.ini", "kvx_keycnf.dat", "debug.txt"})
      fs::remove(fs::path(path) / "_kvxfiles" / leftover);
    fs::remove_all(fs::path(path) / "_kvxfiles" / "jukelist");
    fs::create_directories(fs::path(path) / "_kvxfiles" / "jukelist");
    fs::create_directories(fs::path(path) / "songs" / "soak");
  }
  ~ProgramFolder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  std::string path;
};

// Two measures at 240 BPM: notes on every lane of side 1, a background sound.
std::string ShortChart() {
  std::string text = "\r\n#TITLE soak\r\n#ARTIST korvex\r\n#BPM 240\r\n#PLAYLEVEL 1\r\n";
  for (int i = 1; i <= 4; ++i) text += "#WAV0" + std::to_string(i) + " k" + std::to_string(i) + ".wav\r\n";
  text += "#00101:04000004\r\n#00111:01000100\r\n#00112:00020002\r\n#00113:0300\r\n#00114:0003\r\n";
  text += "#00115:01010101\r\n#00116:02\r\n#00118:0004\r\n#00119:04\r\n#00211:0102030401020304\r\n";
  return text;
}

// The whole program on a scripted clock: the start searches the song folder
// and shows the jukebox list; Enter opens the jukebox and plays its chart;
// a lane key leaves the result screen; back on the song list Enter plays again.
void BM_SoakDemoPlays(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("ALSOFT_DRIVERS", "null", 1);
  const int wanted = SoakCount();
  for (auto _ : state) {
    ProgramFolder folder;
    const std::string songs = folder.path + "/songs/soak/";
    kvx::WriteFileBytes(songs + "short.bms", ShortChart());
    for (int i = 1; i <= 4; ++i) WriteTone(songs + "k" + std::to_string(i) + ".wav", 220.0 * i, 0.2);

    kvx::Game g;
    g.SetProgramFolder(folder.path);
    g.options.no_menu = true;
    g.options.headless = true;
    g.options.autoplay = true;
    auto owned = std::make_unique<kvx::ScriptedClock>(1000, 50);
    kvx::ScriptedClock* clock = owned.get();
    g.UseClock(std::move(owned));

    MemoryLog log("demo plays");
    int plays = 0;
    bool in_result = false, key_down = false;
    uint32_t last_frame = 0, last_enter_ms = 0;
    kvx::Screen last_list = kvx::Screen::Play;
    // A play takes a few seconds of the scripted clock; far beyond that something hangs.
    const uint32_t give_up_ms = 1000 + static_cast<uint32_t>(wanted) * 60000u;
    auto key = [&](int scancode, bool down) {
      kvx::PlatformEvent e;
      e.kind = down ? kvx::PlatformEvent::Kind::KeyDown : kvx::PlatformEvent::Kind::KeyUp;
      e.code = scancode;
      e.timestamp_ms = clock->NowMs();
      return e;
    };
    // One frame per event pump; a key is pressed in one frame and let go in the next.
    g.pump.AddSource([&](std::vector<kvx::PlatformEvent>& events) {
      if (clock->NowMs() == last_frame) clock->Advance(50);
      last_frame = clock->NowMs();
      if (key_down) {
        events.push_back(key(in_result ? SDL_SCANCODE_Z : SDL_SCANCODE_RETURN, false));
        key_down = false;
        return;
      }
      const kvx::Screen screen = g.app.GameState;
      if (screen == kvx::Screen::Result && g.play.QuitPlay) {
        if (!in_result) log.Round(++plays);
        in_result = true;
        events.push_back(key(SDL_SCANCODE_Z, true));
        key_down = true;
      } else if (screen == kvx::Screen::RankingNameEntry) {
        events.push_back(key(SDL_SCANCODE_RETURN, true));
        key_down = true;
      } else if (screen == kvx::Screen::SongList || screen == kvx::Screen::JukeboxList) {
        in_result = false;
        if (plays >= wanted || clock->NowMs() > give_up_ms) {
          events.push_back(kvx::PlatformEvent{});  // close the window
          return;
        }
        // Enter once; again only if the list is still shown two seconds later.
        if (screen == last_list && clock->NowMs() - last_enter_ms < 2000) return;
        last_list = screen;
        last_enter_ms = clock->NowMs();
        events.push_back(key(SDL_SCANCODE_RETURN, true));
        key_down = true;
      } else {
        last_list = kvx::Screen::Play;
      }
      if (clock->NowMs() > give_up_ms) events.push_back(kvx::PlatformEvent{});
    });
    kvx::RunGame(g);
    log.Report(state, plays, wanted);
  }
}
BENCHMARK(BM_SoakDemoPlays)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// A chart with 255 key sounds and 2,000 notes over 64 measures; `name`
// prefixes its sound files so that two charts share none.
std::string BigChart(const std::string& name) {
  std::string text = "\r\n#TITLE soak " + name + "\r\n#BPM 150\r\n#PLAYLEVEL 7\r\n#TOTAL 400\r\n";
  for (int id = 1; id <= 255; ++id) text += "#WAV" + Hex(id) + " " + name + "_" + TwoDigits(id) + ".wav\r\n";
  static const int lanes[8] = {11, 12, 13, 14, 15, 16, 18, 19};
  int id = 1;
  for (int m = 1; m <= 64; ++m) {
    for (int lane : lanes) {
      // Four notes per lane in every measure but the first's scratch.
      std::string data;
      for (int k = 0; k < 4; ++k) {
        data += Hex(id);
        id = id % 255 + 1;
      }
      text += "#" + std::string(m < 10 ? "00" : "0") + std::to_string(m) + std::to_string(lane) + ":" + data + "\r\n";
    }
    text += "#" + std::string(m < 10 ? "00" : "0") + std::to_string(m) + "01:" + Hex(id) + "000000\r\n";
  }
  return text;
}

void BM_SoakChartLoads(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("ALSOFT_DRIVERS", "null", 1);
  const int wanted = SoakCount();
  for (auto _ : state) {
    ProgramFolder folder;
    const std::string songs = folder.path + "/songs/soak/";
    std::vector<std::string> charts;
    for (const std::string name : {"a", "b"}) {
      charts.push_back(songs + name + ".bms");
      kvx::WriteFileBytes(charts.back(), BigChart(name));
      for (int id = 1; id <= 255; ++id)
        WriteTone(songs + name + "_" + TwoDigits(id) + ".wav", 110.0 * std::pow(2.0, (id % 36) / 12.0), 0.15);
    }
    kvx::Game g;
    g.SetProgramFolder(folder.path);
    g.options.headless = true;
    g.UseClock(std::make_unique<kvx::ScriptedClock>(1000, 1));
    kvx::InitDX(g);
    kvx::ShowGameWindow(g);
    kvx::InitDD(g);
    kvx::InitDS(g);
    kvx::CreateSurfaces(g);
    g.log.SetPath("");  // the log file would grow by each load's lines
    g.settings.WAVLoadmode = 0;

    MemoryLog log("chart loads");
    int loads = 0;
    for (; loads < wanted;) {
      const std::string& chart = charts[loads % 2];
      if (kvx::BMSLoad(g, chart) != 1 || g.chart.NoteCount[0] < 2000 || g.sound.WavBuffers[255] == 0) break;
      log.Round(++loads);
    }
    log.Report(state, loads, wanted);
    kvx::ReleaseDirectX(g);
  }
}
BENCHMARK(BM_SoakChartLoads)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
