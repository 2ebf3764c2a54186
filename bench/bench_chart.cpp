// Chart reading throughput: BMSLoad (read + prepare) and the song library's
// header scan on generated charts of 100, 1,000 and 10,000 notes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <unistd.h>
#include <string>

#include "app/game.h"
#include "library/song_search.h"
#include "platform/files.h"
#include "play/chart_load.h"

namespace {

// A chart of `notes` notes: 16 notes per measure over the seven keys and the
// scratch, a background track, a tempo change every 8 measures, 200 sounds.
std::string MakeChart(int notes) {
  std::string text = "\r\n#PLAYER 1\r\n#TITLE bench\r\n#ARTIST korvex\r\n#GENRE test\r\n#BPM 150\r\n#RANK 2\r\n";
  char line[128];
  for (int id = 1; id <= 200; ++id) {
    std::snprintf(line, sizeof line, "#WAV%02X sound%03d.wav\r\n", id, id);
    text += line;
  }
  const int lanes[8] = {11, 12, 13, 14, 15, 16, 18, 19};
  const int measures = (notes + 15) / 16;
  int left = notes;
  for (int m = 0; m < measures && m < 1000; ++m) {
    for (int l = 0; l < 8 && left > 0; ++l) {
      std::string data;
      for (int k = 0; k < 8; ++k) {
        bool on = (k % 4 == l % 4) && left > 0;
        if (on) {
          std::snprintf(line, sizeof line, "%02X", 1 + (m * 8 + l + k) % 200);
          data += line;
          --left;
        } else {
          data += "00";
        }
      }
      std::snprintf(line, sizeof line, "#%03d%02d:", m, lanes[l]);
      text += line + data + "\r\n";
    }
    std::snprintf(line, sizeof line, "#%03d01:01000200\r\n", m);
    text += line;
    if (m % 8 == 0) {
      std::snprintf(line, sizeof line, "#%03d03:%02X\r\n", m, 120 + (m / 8) % 60);
      text += line;
    }
  }
  return text;
}

struct ChartFile {
  std::string path;
  size_t bytes = 0;
  explicit ChartFile(int notes) {
    char name[64];
    std::snprintf(name, sizeof name, "/tmp/kvx_bench_chart_%d_%d.bms", notes, static_cast<int>(getpid()));
    path = name;
    std::string text = MakeChart(notes);
    bytes = text.size();
    kvx::WriteFileBytes(path, text);
  }
  ~ChartFile() { std::remove(path.c_str()); }
};

void BM_ReadAndPrepare(benchmark::State& state) {
  ChartFile file(static_cast<int>(state.range(0)));
  auto g = std::make_unique<kvx::Game>();
  g->log.SetPath("");  // measure the chart work, not the log file
  g->chart.NoMediaLoads = true;
  for (auto _ : state) {
    int r = kvx::BMSLoad(*g, file.path);
    benchmark::DoNotOptimize(r);
    benchmark::DoNotOptimize(g->chart.LengthMs);
  }
  state.counters["charts/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["MB/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * file.bytes / 1e6,
                                              benchmark::Counter::kIsRate);
  state.counters["objects"] = g->chart.ObjectCount;
}

void BM_HeaderScan(benchmark::State& state) {
  ChartFile file(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    kvx::SongEntry e;
    kvx::ScanBMSHeader(file.path, e);
    benchmark::DoNotOptimize(e.LengthMs);
  }
  state.counters["charts/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["MB/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * file.bytes / 1e6,
                                              benchmark::Counter::kIsRate);
}

BENCHMARK(BM_ReadAndPrepare)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeaderScan)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
