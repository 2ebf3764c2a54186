// Loading a chart with 189 OGG key sounds, as song select starts a play:
// ReadyBMS from "Ready" to "Load Complete" (with the half-second loading
// screen, during which the sounds already decode), the loading work alone (the
// chart read with every sound decoded and uploaded), and SoX decoding the same
// files with two processes (both cores) in the same run. Prints the ratio of
// the loading work to the SoX decode.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/game.h"
#include "app/sound_links.h"
#include "chart/bms.h"
#include "chart/chart_text.h"
#include "chart/ready_bms.h"
#include "media/display.h"
#include "media/sound.h"
#include "media/surface.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSounds = 189;

struct Pack {
  fs::path folder;
  std::string chart;
  uint64_t bytes = 0;
  Pack() {
    folder = fs::temp_directory_path() / ("kvx-load-bench-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "song");
    std::string text = "#TITLE Load\r\n#BPM 150\r\n";
    for (int i = 0; i < kSounds; ++i) {
      const std::string name = "k" + std::to_string(i) + ".ogg";
      const std::string path = (folder / "song" / name).string();
      const int rate = 44100;
      const double length = 0.3 + (i % 10) * 0.17;  // 0.3 .. 1.83 s, stereo
      const double hz = 110.0 * std::pow(2.0, (i % 36) / 12.0);
      SF_INFO info{};
      info.samplerate = rate;
      info.channels = 2;
      info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
      SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
      if (!f) continue;
      std::vector<float> s(static_cast<size_t>(rate * length) * 2);
      for (size_t k = 0; k < s.size() / 2; ++k) {
        const double t = static_cast<double>(k) / rate;
        const float v = static_cast<float>(0.4 * std::exp(-3 * t) * std::sin(2 * M_PI * hz * t) +
                                           0.05 * std::sin(2 * M_PI * 3.7 * hz * t + k % 13));
        s[2 * k] = v;
        s[2 * k + 1] = 0.8f * v;
      }
      sf_writef_float(f, s.data(), static_cast<sf_count_t>(s.size() / 2));
      sf_close(f);
      bytes += kvx::FileSize(path).value_or(0);
      const std::string id = kvx::Base36Text(i + 1);
      text += "#WAV" + id + " " + name + "\r\n";
      char line[32];
      std::snprintf(line, sizeof line, "#%03d11:%s\r\n", 1 + i / 4, id.c_str());
      text += line;
    }
    chart = (folder / "song" / "load.bms").string();
    kvx::WriteFileBytes(chart, text);
  }
  ~Pack() {
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
};

Pack& ThePack() {
  static Pack pack;
  return pack;
}

std::map<std::string, double>& Best() {
  static std::map<std::string, double> best;
  return best;
}
void Record(const std::string& name, double s) {
  double& b = Best()[name];
  if (b == 0 || s < b) b = s;
}
double Since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// A headless game with a sound device (OpenAL's null driver) and a display,
// on the real clock, reading charts by the modern rules.
struct LoadGame {
  kvx::Game g;
  LoadGame() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    const fs::path program = ThePack().folder / "program";
    fs::remove_all(program);
    fs::create_directories(program);
    fs::copy(fs::path(KVX_BUILD_DIR) / "_kvxfiles", program / "_kvxfiles", fs::copy_options::recursive);
    g.SetProgramFolder(program.string());
    g.options.headless = true;
    g.settings.NOVSync = true;
    g.settings.ModernCharts = true;
    g.settings.WAVLoadmode = 0;
    kvx::InitDX(g);
    kvx::ShowGameWindow(g);
    kvx::InitDD(g);
    kvx::CreateSurfaces(g);
    kvx::InitDS(g);
    g.log.SetPath("");
  }
  ~LoadGame() { kvx::ReleaseDirectX(g); }
  int LoadedSounds() const {
    int n = 0;
    for (int id = 1; id <= kSounds; ++id) n += g.sound.WavBuffers[id] != 0;
    return n;
  }
  // Forgets every key sound, so that the next load decodes them all again.
  void Forget() {
    g.chart.WavFile.fill(std::string());
    kvx::ReleaseChangedSounds(g.sound, g.chart);
  }
};

void BM_ReadyToLoadComplete(benchmark::State& state) {
  LoadGame lg;
  kvx::Game& g = lg.g;
  if (!kvx::SoundAvailable(g.sound)) return state.SkipWithError("no sound device (ALSOFT_DRIVERS=null)");
  kvx::SongEntry entry;
  entry.FilePath = ThePack().chart;
  g.library.SongList = {entry};
  g.library.SongListLast = 0;
  g.app.ListCursor = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    kvx::ReadyBMS(g);
    const double s = Since(t0);
    state.SetIterationTime(s);
    Record("ready", s);
    state.PauseTiming();
    if (lg.LoadedSounds() != kSounds) state.SkipWithError("not every sound loaded");
    lg.Forget();
    state.ResumeTiming();
  }
}

void BM_LoadWork(benchmark::State& state) {
  LoadGame lg;
  kvx::Game& g = lg.g;
  if (!kvx::SoundAvailable(g.sound)) return state.SkipWithError("no sound device (ALSOFT_DRIVERS=null)");
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    kvx::BMSLoad(g, ThePack().chart);
    const double s = Since(t0);
    state.SetIterationTime(s);
    Record("load", s);
    state.PauseTiming();
    if (lg.LoadedSounds() != kSounds) state.SkipWithError("not every sound loaded");
    lg.Forget();
    state.ResumeTiming();
  }
}

void BM_SoxTwoProcesses(benchmark::State& state) {
  if (std::system("sox --version >/dev/null 2>&1") != 0) return state.SkipWithError("sox not installed");
  const std::string script = "cd '" + (ThePack().folder / "song").string() +
                             "' && ls k*.ogg | xargs -P2 -n" + std::to_string((kSounds + 1) / 2) +
                             " sh -c 'sox \"$@\" -t raw /dev/null' sox";
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(script.c_str()) != 0) state.SkipWithError("sox failed");
    const double s = Since(t0);
    state.SetIterationTime(s);
    Record("sox", s);
  }
}

BENCHMARK(BM_SoxTwoProcesses)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadWork)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadyToLoadComplete)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("ALSOFT_DRIVERS", "null", 0);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  std::printf("%d OGG key sounds, %.1f MiB\n", kSounds, ThePack().bytes / 1048576.0);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  auto& best = Best();
  std::printf("\nBest of each (wall time):\n");
  for (const auto& [key, label] : std::map<std::string, const char*>{
           {"sox", "sox, two processes (decode only)"},
           {"load", "chart load (read, decode, upload)"},
           {"ready", "Ready to Load Complete (500 ms screen)"}})
    if (best.count(key)) std::printf("  %-40s %8.1f ms\n", label, best[key] * 1000);
  if (best.count("sox") && best.count("load") && best["sox"] > 0)
    std::printf("load-time ratio (chart load / sox decode): %.2f\n", best["load"] / best["sox"]);
  return 0;
}
