// Idle CPU of the song list and of the result screen on the dummy display (no
// vsync): the program runs from Main on the wall clock with a one-note chart
// on its command line, played automatically. Once the result screen has
// finished counting, the process CPU time over two seconds of waiting is
// measured; a lane key then leaves it, and the song list is measured the same
// way. Target: under 10 % of a core each.
#include <benchmark/benchmark.h>

#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include <SDL.h>

#include "app/game.h"
#include "app/program.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kSettleMs = 2500;   // the result count-up (2 s) and the list's opening animation
constexpr uint32_t kMeasureMs = 2000;

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

// Measures one idle stretch of a screen: starts kSettleMs after the screen is
// first seen, ends kMeasureMs later.
struct IdleWindow {
  uint32_t seen = 0, from = 0;
  double cpu_from = 0;
  double share = -1;  // CPU seconds per wall second, once measured
  bool Step(uint32_t now) {
    if (seen == 0) seen = now;
    if (from == 0 && now - seen >= kSettleMs) {
      from = now;
      cpu_from = ProcessCpuSeconds();
    }
    if (from != 0 && share < 0 && now - from >= kMeasureMs) share = (ProcessCpuSeconds() - cpu_from) / ((now - from) / 1000.0);
    return share >= 0;
  }
};

kvx::PlatformEvent KeyEvent(bool down, uint32_t at) {
  kvx::PlatformEvent e;
  e.kind = down ? kvx::PlatformEvent::Kind::KeyDown : kvx::PlatformEvent::Kind::KeyUp;
  e.code = SDL_SCANCODE_Z;
  e.timestamp_ms = at;
  return e;
}

void BM_IdleScreens(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("ALSOFT_DRIVERS", "null", 1);
  const fs::path folder = fs::temp_directory_path() / ("kvx-idle-" + std::to_string(::getpid()));
  double result_share = 0, list_share = 0;
  for (auto _ : state) {
    fs::remove_all(folder);
    fs::create_directories(folder / "songs" / "idle");
    fs::copy(fs::path(KVX_BUILD_DIR) / "_kvxfiles", folder / "_kvxfiles", fs::copy_options::recursive);
    for (const char* leftover : {"kvx_conf.ini", "kvx_keycnf.dat", "debug.txt"}) fs::remove(folder / "_kvxfiles" / leftover);
    // No chart preview on the list: the list itself is measured. (A settings
    // file without the speeds would leave them at 0, which stops the play.)
    std::ofstream(folder / "_kvxfiles" / "kvx_conf.ini") << "[Setting]\nBMSPreview=0\nHiSpeed=1\nRealHiSpeed=1\n";
    const fs::path chart = folder / "songs" / "idle" / "idle.bms";
    std::ofstream(chart) << "#PLAYER 1\n#TITLE idle\n#BPM 240\n#00111:01\n";

    kvx::Game g;
    g.SetProgramFolder(folder.string());
    g.options.no_menu = true;
    g.options.autoplay = true;
    g.app.command_line = "\"" + chart.string() + "\"";
    IdleWindow result, list;
    bool left_result = false, z_down = false;
    g.pump.AddSource([&](std::vector<kvx::PlatformEvent>& events) {
      const uint32_t now = g.NowMs();
      if (z_down) {
        events.push_back(KeyEvent(false, now));
        z_down = false;
      }
      if (!left_result && g.app.GameState == kvx::Screen::Result && g.play.QuitPlay) {
        if (result.Step(now)) {
          events.push_back(KeyEvent(true, now));
          z_down = true;
          left_result = true;
        }
      } else if (left_result && g.app.GameState == kvx::Screen::SongList) {
        if (list.Step(now)) events.push_back(kvx::PlatformEvent{});  // close the window
      }
    });
    kvx::RunGame(g);
    result_share = result.share;
    list_share = list.share;
  }
  std::error_code ec;
  fs::remove_all(folder, ec);
  state.counters["result_screen_cpu_pct"] = 100.0 * result_share;
  state.counters["song_list_cpu_pct"] = 100.0 * list_share;
}
BENCHMARK(BM_IdleScreens)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
