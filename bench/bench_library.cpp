// The song library's speed: the search of a generated library of 5,000 charts
// (about 40 KB each, in 500 song folders, warm file cache), and loading and
// saving a 20,000-entry list file. The search reports charts per second and
// the peak memory of the process (the search is the first large thing it does).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "app/game.h"
#include "library/bms_search.h"
#include "library/jukebox.h"
#include "library/list_file.h"
#include "library/song_search.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSongFolders = 500;
constexpr int kChartsPerFolder = 10;
constexpr int kListEntries = 20000;

// A chart of about 40 KB: a header, 400 sounds, 40 images, 120 measures of
// notes on eight lanes with a background track, a few tempo changes and
// measure lengths.
std::string MakeChart(int folder, int chart, std::mt19937& rng) {
  char line[160];
  std::snprintf(line, sizeof line,
                "#PLAYER 1\r\n#GENRE BENCH GENRE %d\r\n#TITLE Bench Song %d [%d]\r\n#ARTIST korvex bench\r\n"
                "#BPM %d\r\n#PLAYLEVEL %d\r\n#RANK 2\r\n#TOTAL 300\r\n#STAGEFILE stage.bmp\r\n",
                folder, folder, chart, 100 + folder % 100, 1 + chart % 12);
  std::string text = "\r\n";
  text += line;
  for (int id = 1; id <= 400; ++id) {
    std::snprintf(line, sizeof line, "#WAV%02X sound_%03d_%d.wav\r\n", id % 256, id, folder);
    text += line;
  }
  for (int id = 1; id <= 40; ++id) {
    std::snprintf(line, sizeof line, "#BMP%02X image_%02d.bmp\r\n", id, id);
    text += line;
  }
  const int lanes[8] = {11, 12, 13, 14, 15, 16, 18, 19};
  for (int m = 0; text.size() < 40000 && m < 999; ++m) {
    for (int lane : lanes) {
      std::string data;
      for (int k = 0; k < 8; ++k) {
        std::snprintf(line, sizeof line, "%02X", rng() % 3 ? 0 : 1 + static_cast<int>(rng() % 200));
        data += line;
      }
      std::snprintf(line, sizeof line, "#%03d%02d:", m, lane);
      text += line + data + "\r\n";
    }
    std::snprintf(line, sizeof line, "#%03d01:0102030400000000\r\n", m);
    text += line;
    if (m % 16 == 0) {
      std::snprintf(line, sizeof line, "#%03d03:%02X00%02X00\r\n", m, 120 + m % 60, 140 + m % 40);
      text += line;
    }
    if (m % 32 == 31) {
      std::snprintf(line, sizeof line, "#%03d02:0.75\r\n", m);
      text += line;
    }
  }
  return text;
}

// The generated library, made once per run under /tmp and removed at exit.
struct Library {
  std::string root;
  Library() {
    char pattern[] = "/tmp/kvxbench-XXXXXX";
    root = mkdtemp(pattern);
    std::mt19937 rng(2024);
    for (int f = 0; f < kSongFolders; ++f) {
      const std::string folder = root + "/songs/song" + std::to_string(f);
      fs::create_directories(folder);
      for (int c = 0; c < kChartsPerFolder; ++c)
        kvx::WriteFileBytes(folder + "/chart" + std::to_string(c) + (c % 2 ? ".bme" : ".bms"), MakeChart(f, c, rng));
    }
    fs::create_directories(root + "/_kvxfiles/jukelist");
  }
  ~Library() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

Library& TheLibrary() {
  static Library library;
  return library;
}

// CPU seconds of the whole process (every thread) so far.
double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void BM_SearchCharts(benchmark::State& state) {
  Library& lib = TheLibrary();
  kvx::Game g;
  g.SetProgramFolder(lib.root);
  g.options.headless = true;
  std::string warm = lib.root + "/songs";
  kvx::SearchBMSFolder(g, warm);  // warm file cache
  const double cpu_before = ProcessCpuSeconds();
  for (auto _ : state) {
    kvx::ClearSongList(g);
    std::string folder = lib.root + "/songs";
    kvx::SearchBMSFolder(g, folder);
    benchmark::DoNotOptimize(g.library.SongList.data());
  }
  if (g.library.SongList.size() != kSongFolders * kChartsPerFolder) state.SkipWithError("wrong chart count");
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(g.library.SongList.size()));
  state.counters["charts"] = static_cast<double>(g.library.SongList.size());
  // The machine may be shared: CPU time of both threads per search tells what
  // an idle machine would take.
  state.counters["cpu_ms_all_threads"] =
      (ProcessCpuSeconds() - cpu_before) * 1000.0 / static_cast<double>(state.iterations());
  state.counters["peak_rss_MB"] = static_cast<double>(PeakKilobytes()) / 1024.0;
}
BENCHMARK(BM_SearchCharts)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

kvx::SongEntry ListEntry(int i) {
  kvx::SongEntry e;
  e.Title = "Bench Song Title Number " + std::to_string(i) + " (Another Mix)";
  e.Artist = "korvex bench artist " + std::to_string(i % 300);
  e.Genre = "BENCH GENRE";
  e.Bpm = 120.0f + static_cast<float>(i % 80);
  e.Player = 1;
  e.PlayLevel = 1 + i % 12;
  e.Rank = 2;
  e.Total = 300;
  e.LengthMs = 90000 + i % 60000;
  e.StageFile = "stage.bmp";
  e.WavCount = 400;
  e.BmpCount = 40;
  e.FilePath = "/home/player/bms/songs/pack" + std::to_string(i / 100) + "/song" + std::to_string(i) + "/chart.bme";
  return e;
}

struct ListFixture {
  kvx::Game g;
  std::string path;
  ListFixture() {
    Library& lib = TheLibrary();
    g.SetProgramFolder(lib.root);
    g.options.headless = true;
    path = lib.root + "/_kvxfiles/jukelist/big.kbl";
    for (int i = 0; i < kListEntries; ++i) g.library.SongList.push_back(ListEntry(i));
    g.library.SongListLast = kListEntries - 1;
    kvx::SaveListFile(g, path, true);
  }
};

void BM_LoadList20000(benchmark::State& state) {
  ListFixture f;
  for (auto _ : state) {
    kvx::LoadListFile(f.g, f.path, false);
    benchmark::DoNotOptimize(f.g.library.SongList.data());
  }
  if (f.g.library.SongList.size() != kListEntries) state.SkipWithError("wrong entry count");
  state.counters["file_MB"] = static_cast<double>(kvx::FileSize(f.path).value_or(0)) / 1e6;
}
BENCHMARK(BM_LoadList20000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveList20000(benchmark::State& state) {
  ListFixture f;
  for (auto _ : state) kvx::SaveListFile(f.g, f.path, false);
}
BENCHMARK(BM_SaveList20000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
