// Loading 1,000 OGG key sounds at chart start: our loader (decoded in
// parallel on every core, uploaded in the reader's order) against SoX decoding
// the same files in the same run, one process per file and in two batches.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
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
#include "media/sound.h"
#include "platform/files.h"

namespace {

constexpr int kSoundCount = 1000;
constexpr int kIdsPerChart = 250;  // WAV numbers 1..250; four charts hold the 1,000 files

struct Corpus {
  std::string folder;
  std::vector<std::string> files;
  double seconds_of_audio = 0;
  uint64_t bytes = 0;
  Corpus() {
    char pattern[] = "/tmp/kvxbench-XXXXXX";
    folder = mkdtemp(pattern);
    for (int i = 0; i < kSoundCount; ++i) {
      std::string path = folder + "/key" + std::to_string(i) + ".ogg";
      const int rate = 44100;
      const double length = 0.1 + (i % 7) * 0.05;  // 0.1 .. 0.4 s
      const double hz = 110.0 * std::pow(2.0, (i % 48) / 12.0);
      SF_INFO info{};
      info.samplerate = rate;
      info.channels = 1;
      info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
      SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
      if (!f) continue;
      std::vector<float> s(static_cast<size_t>(rate * length));
      for (size_t k = 0; k < s.size(); ++k) {
        double t = static_cast<double>(k) / rate;
        s[k] = static_cast<float>(0.5 * std::exp(-8 * t) *
                                  (std::sin(2 * M_PI * hz * t) + 0.3 * std::sin(6 * M_PI * hz * t)));
      }
      sf_writef_float(f, s.data(), static_cast<sf_count_t>(s.size()));
      sf_close(f);
      files.push_back(path);
      seconds_of_audio += length;
      bytes += kvx::FileSize(path).value_or(0);
    }
  }
  ~Corpus() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

Corpus& TheCorpus() {
  static Corpus corpus;
  return corpus;
}

// Best (lowest) wall time per benchmark, for the ratio printed at the end.
std::map<std::string, double>& BestSeconds() {
  static std::map<std::string, double> best;
  return best;
}

void Record(const std::string& name, double seconds) {
  auto& best = BestSeconds()[name];
  if (best == 0 || seconds < best) best = seconds;
}

double Since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Loads every file through loadwav, four charts of 250 WAV numbers.
void LoadAllThroughLoader(benchmark::State& state, bool prefetch) {
  Corpus& corpus = TheCorpus();
  if (corpus.files.size() != kSoundCount) {
    state.SkipWithError("could not write the key sounds");
    return;
  }
  kvx::Game g;
  g.SetProgramFolder(corpus.folder + "/program");
  g.options.headless = true;
  std::filesystem::create_directories(g.paths.data + "/wav");
  kvx::InitDS(g);
  if (!kvx::SoundAvailable(g.sound)) {
    state.SkipWithError("no sound device (set ALSOFT_DRIVERS=null)");
    return;
  }
  int loaded = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    loaded = 0;
    for (int chart = 0; chart < kSoundCount / kIdsPerChart; ++chart) {
      std::vector<std::string> names;
      for (int id = 1; id <= kIdsPerChart; ++id) {
        g.chart.WavFile[id] = corpus.files[chart * kIdsPerChart + id - 1];
        names.push_back(g.chart.WavFile[id]);
      }
      if (prefetch) kvx::PrefetchSoundFiles(g.sound, names);
      for (int id = 1; id <= kIdsPerChart; ++id) {
        kvx::loadwav(g, id);
        loaded += g.sound.WavBuffers[id] != 0;
      }
      kvx::ReleaseChangedSounds(g.sound, g.chart);
    }
    double seconds = Since(t0);
    state.SetIterationTime(seconds);
    Record(prefetch ? "loader" : "loader_serial", seconds);
    // Forget the buffers so the next round loads again.
    state.PauseTiming();
    g.chart.WavFile.fill(std::string());
    kvx::ReleaseChangedSounds(g.sound, g.chart);
    state.ResumeTiming();
  }
  state.counters["files"] = loaded;
  state.counters["audio_s"] = corpus.seconds_of_audio;
}

void BM_Loader_AllCores(benchmark::State& state) { LoadAllThroughLoader(state, true); }
void BM_Loader_OneCore(benchmark::State& state) { LoadAllThroughLoader(state, false); }

bool HaveSox() { return std::system("sox --version >/dev/null 2>&1") == 0; }

// Runs the shell script (SoX decoding the corpus) once an iteration, as the
// iteration's time, recorded under `name`.
void TimeSoxScript(benchmark::State& state, const std::string& script, const char* name) {
  if (!HaveSox()) {
    state.SkipWithError("sox not installed");
    return;
  }
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    int rc = std::system(script.c_str());
    double seconds = Since(t0);
    if (rc != 0) state.SkipWithError("sox failed");
    state.SetIterationTime(seconds);
    Record(name, seconds);
  }
}

// One SoX process per file, one after another.
void BM_Sox_PerFile(benchmark::State& state) {
  Corpus& corpus = TheCorpus();
  TimeSoxScript(state, "cd '" + corpus.folder + "' && for f in key*.ogg; do sox \"$f\" -t raw /dev/null || exit 1; done",
                "sox_per_file");
}

// Two SoX processes in parallel (both cores), each decoding half of the files
// as one concatenated stream.
void BM_Sox_Batch_TwoProcesses(benchmark::State& state) {
  Corpus& corpus = TheCorpus();
  TimeSoxScript(state,
                "cd '" + corpus.folder + "' && ls key*.ogg | xargs -P2 -n" + std::to_string(kSoundCount / 2) +
                    " sh -c 'sox \"$@\" -t raw /dev/null' sox",
                "sox_batch");
}

BENCHMARK(BM_Loader_AllCores)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Loader_OneCore)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sox_PerFile)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sox_Batch_TwoProcesses)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("ALSOFT_DRIVERS", "null", 0);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Corpus& corpus = TheCorpus();
  std::printf("%zu OGG key sounds, %.1f s of audio, %.1f KiB on disk\n", corpus.files.size(),
              corpus.seconds_of_audio, corpus.bytes / 1024.0);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  auto& best = BestSeconds();
  auto show = [&](const char* label, const char* key) {
    if (best.count(key)) std::printf("  %-34s %8.1f ms\n", label, best[key] * 1000);
  };
  std::printf("\nBest of each (wall time, 1,000 files):\n");
  show("loader, all cores (prefetch)", "loader");
  show("loader, one core", "loader_serial");
  show("sox, one process per file", "sox_per_file");
  show("sox, two batch processes", "sox_batch");
  if (best.count("loader") && best["loader"] > 0) {
    for (const char* key : {"sox_per_file", "sox_batch", "loader_serial"})
      if (best.count(key))
        std::printf("  ratio %s / loader = %.2f\n", key, best[key] / best["loader"]);
  }
  return 0;
}
