// The cost of one play frame (update + draw of 300 visible notes on the
// software renderer, with the default skin) and the judgement time error of
// presses judged at their event time against presses judged at the frame that
// handles them, at 30 and 1000 frames per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/skin_loading.h"
#include "app/game.h"
#include "media/display.h"
#include "media/skin.h"
#include "play/judge.h"
#include "play/play_loop.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

// A headless game with the default skin from the build's generated data.
struct BenchGame {
  explicit BenchGame(uint32_t frame_ms) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    folder = fs::temp_directory_path() / ("kvx-bench-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::copy(fs::path(KVX_BUILD_DIR) / "_kvxfiles", folder / "_kvxfiles", fs::copy_options::recursive);
    g.SetProgramFolder(folder.string());
    g.options.headless = true;
    auto c = std::make_unique<kvx::ScriptedClock>(1000, frame_ms);
    clock = c.get();
    g.UseClock(std::move(c));
    g.settings.Sleep = 0;
    g.settings.NOVSync = true;
    kvx::InitDX(g);
    kvx::ShowGameWindow(g);
    kvx::InitDD(g);
    kvx::CreateSurfaces(g);
    kvx::LoadSS(g);
    kvx::LoadRectData(g, "kvx_scr.brd");
    g.log.SetPath("");  // measure the frame, not the log file
  }
  ~BenchGame() {
    kvx::ReleaseDirectX(g);
    std::error_code ec;
    fs::remove_all(folder, ec);
  }

  // Notes every `spacing` units over lanes 11..15, 18, 19 and the scratch.
  void Chart(float bpm, double spacing, int count) {
    static const int lanes[8] = {11, 12, 13, 14, 15, 18, 19, 16};
    kvx::ChartState& c = g.chart;
    c.BPM = bpm;
    int n = 0;
    for (int i = 0; i < count && n < kvx::kMaxObjects; ++i) {
      const int32_t pos = static_cast<int32_t>(std::lround(192 + i * spacing));
      c.Objects[n++] = kvx::ChartObject{pos / 192, pos, 0, lanes[i % 8], 1, 0};
    }
    c.ObjectCount = n;
    c.NoteCount = {n, 0};
    c.ScoreUnit[0] = 100000.0 / n;
    c.GaugeIncrement[0] = 100.0f / n;
    c.LastMeasure = c.Objects[n - 1].Position / 192 + 1;
  }

  void StartClock() {
    kvx::PlayState& p = g.play;
    kvx::ResetPlayState(g);
    g.app.GameState = kvx::Screen::Play;
    p.PlayStartTime = g.NowMs();
    p.BasePosition = 0;
    p.InitialBPM = g.chart.BPM;
    p.EffectiveBPM = g.chart.BPM * g.settings.RealHiSpeed;
    p.PositionRate = p.EffectiveBPM / kvx::kMsPerUnitAtOneBpm;
    p.NextObject = 0;
    p.Playing = true;
    p.QuitPlay = false;
  }

  fs::path folder;
  kvx::Game g;
  kvx::ScriptedClock* clock = nullptr;
};

// 300 notes on screen: the judgement line is about 400 pixels from the top, so
// at HiSpeed 1 the screen shows 400 units; one note every 4/3 units.
void BM_PlayFrame300Notes(benchmark::State& state) {
  BenchGame b(1);
  b.g.settings.HiSpeed = 1.0f;
  b.g.settings.DEMOMode = true;
  b.Chart(60, 4.0 / 3.0, 60000);
  b.StartClock();
  for (auto _ : state) {
    kvx::UpdateFrame(b.g);
    if (b.g.play.NextObject + 400 >= b.g.chart.ObjectCount) {
      state.PauseTiming();
      b.StartClock();
      for (int i = 0; i < b.g.chart.ObjectCount; ++i) b.g.chart.Objects[i].State = 0;
      state.ResumeTiming();
    }
  }
  state.counters["fps_equivalent"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                        benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlayFrame300Notes)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime()->UseRealTime();

// One lane-11 note per beat at 150 BPM (400 ms, so the notes fall at every
// phase of a 33 ms frame); each press happens exactly at its note and reaches
// the game at the next frame. Reported: the mean and the largest timing error
// in ms of what was judged.
void JudgementError(benchmark::State& state, bool event_time) {
  const uint32_t frame_ms = static_cast<uint32_t>(state.range(0));
  double sum = 0, worst = 0;
  int judged = 0;
  for (auto _ : state) {
    BenchGame b(frame_ms);
    b.g.app.KeyTable[44] = 11;
    b.Chart(150, 48, 200);
    for (int i = 0; i < b.g.chart.ObjectCount; ++i) b.g.chart.Objects[i].Channel = 11;
    // The steady-timing rule counts near-equal consecutive offsets as exact;
    // a second window of 0 switches it off, so J-PTS shows every raw offset.
    b.g.chart.JudgeWindow = {1, 0, 18, 24};
    b.StartClock();
    int next = 0;
    while (next < b.g.chart.ObjectCount && b.g.play.NextObject <= b.g.chart.ObjectCount) {
      // The frame's present step moves the scripted clock by one frame.
      const double note = b.g.chart.Objects[next].Position;
      const uint32_t press = b.g.play.PlayStartTime + static_cast<uint32_t>(std::ceil(note / b.g.play.PositionRate));
      if (press <= b.g.NowMs()) {
        const float before = b.g.judge.Player[0].JPoints;
        const int32_t max_before = b.g.judge.JPointsMax;
        kvx::ProcessKey_Play(b.g, 44, event_time ? press : b.g.NowMs());
        kvx::ButtonUp_Play(b.g, 44);
        if (b.g.judge.JPointsMax > max_before) {
          // J-PTS gains 18 - offset below 18 units and loses 2 x (offset - 18) above.
          const double gain = b.g.judge.Player[0].JPoints - before;
          const double offset_units = gain >= 0 ? 18.0 - gain : 18.0 - gain / 2;
          const double ms = offset_units / b.g.play.PositionRate;
          sum += ms;
          worst = std::max(worst, ms);
          ++judged;
        }
        ++next;
      }
      kvx::UpdateFrame(b.g);
    }
  }
  state.counters["mean_error_ms"] = judged ? sum / judged : 0;
  state.counters["max_error_ms"] = worst;
  state.counters["judged"] = judged;
}
void BM_JudgeAtEventTime(benchmark::State& state) { JudgementError(state, true); }
void BM_JudgeAtFrameTime(benchmark::State& state) { JudgementError(state, false); }
BENCHMARK(BM_JudgeAtEventTime)->Arg(33)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JudgeAtFrameTime)->Arg(33)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
