// Start skew of a five-copy battle: five korvex processes on loopback (one
// host, four joiners, headless demo play of one chart) each log the steady
// clock's millisecond when STARTSONG starts its play; the skew is the spread
// of the five. Measured with the poll that waits on the socket every frame
// while the start is awaited (the default) and with the plain 50 ms poll
// (KVX_NET_START_WAIT_MS=0). Each run ends every process by its id once all
// have started.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <regex>

#include "../tests/net/battle_processes.h"

namespace {

using kvx::test::BattleProcesses;

// The millisecond each copy started its play, or -1.
int64_t PlayStart(const BattleProcesses& b, size_t i) {
  static const std::regex line("\\[Net\\] play starts at (\\d+) ms");
  std::smatch m;
  const std::string log = b.Log(i);
  return std::regex_search(log, m, line) ? std::stoll(m[1]) : -1;
}

void StartSkew(benchmark::State& state) {
  setenv("KVX_NET_START_WAIT_MS", std::to_string(state.range(0)).c_str(), 1);
  std::vector<double> skews;
  for (auto _ : state) {
    BattleProcesses b(5, "pixel_comet", "comet_light5.bms");
    const bool started = BattleProcesses::WaitFor(
        [&] {
          for (size_t i = 0; i < b.size(); ++i)
            if (PlayStart(b, i) < 0) return false;
          return true;
        },
        60000);
    if (!started) {
      state.SkipWithError("not every copy started");
      break;
    }
    int64_t first = INT64_MAX, last = 0;
    for (size_t i = 0; i < b.size(); ++i) {
      first = std::min(first, PlayStart(b, i));
      last = std::max(last, PlayStart(b, i));
    }
    skews.push_back(static_cast<double>(last - first));
  }
  unsetenv("KVX_NET_START_WAIT_MS");
  if (skews.empty()) return;
  std::sort(skews.begin(), skews.end());
  state.counters["skew_median_ms"] = skews[skews.size() / 2];
  state.counters["skew_max_ms"] = skews.back();
}

BENCHMARK(StartSkew)->Arg(15)->Arg(0)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
