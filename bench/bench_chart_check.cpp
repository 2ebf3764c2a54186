// How many charts per second `korvex --check` checks: every demo chart of the
// build is read and played in demo mode on the scripted clock.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/chart_check.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> DemoCharts() {
  std::vector<std::string> charts;
  for (const auto& e : fs::recursive_directory_iterator(fs::path(KVX_BUILD_DIR) / "songs")) {
    const std::string ext = e.path().extension().string();
    if (ext == ".bms" || ext == ".bme") charts.push_back(e.path().string());
  }
  return charts;
}

void BM_CheckDemoCharts(benchmark::State& state) {
  const std::vector<std::string> charts = DemoCharts();
  kvx::OwnOptions options;
  int64_t played_to_end = 0, notes = 0;
  for (auto _ : state) {
    for (const std::string& chart : charts) {
      const kvx::ChartCheck check = kvx::CheckChart(options, KVX_BUILD_DIR, chart);
      played_to_end += check.reached_end;
      notes += check.notes;
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(charts.size()));
  state.counters["charts"] = static_cast<double>(charts.size());
  state.counters["played_to_end"] =
      benchmark::Counter(static_cast<double>(played_to_end), benchmark::Counter::kAvgIterations);
  state.counters["notes"] = benchmark::Counter(static_cast<double>(notes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_CheckDemoCharts)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
