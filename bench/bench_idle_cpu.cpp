// Idle CPU of every static screen under an X server without a GPU (Xvfb, the
// software GL driver): the program runs from Main on the wall clock. The
// startup menu is measured first; then a one-note chart from the command line
// is played automatically and paused, and the pause, the result screen after
// its count-up, the jukebox list it returns to, the song list and the course
// list are measured in turn; the chart played by hand gives the ranking name
// entry. Each screen settles for a moment, then the
// process CPU time over KVX_IDLE_SECONDS (default 20) of waiting is taken.
// The whole walk runs twice in one process: "before" draws every frame and
// reads input once per frame, "after" lets static screens rest.
// Target: under 5 % of a core on every static screen.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "../tests/xserver.h"
#include "app/game.h"
#include "app/program.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kSettleMs = 2500;  // the result count-up (2 s) and the list's opening animation

uint32_t MeasureMs() {
  const char* s = std::getenv("KVX_IDLE_SECONDS");
  const int seconds = s ? std::atoi(s) : 20;
  return static_cast<uint32_t>(seconds > 0 ? seconds : 20) * 1000;
}

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

// One idle stretch of a screen: starts kSettleMs after the screen is first
// seen, ends MeasureMs() later.
struct IdleWindow {
  uint32_t seen = 0, from = 0;
  double cpu_from = 0;
  double share = -1;  // CPU seconds per wall second, once measured
  bool Step(uint32_t now) {
    if (seen == 0) seen = now ? now : 1;
    if (from == 0 && now - seen >= kSettleMs) {
      from = now;
      cpu_from = ProcessCpuSeconds();
    }
    if (from != 0 && share < 0 && now - from >= MeasureMs())
      share = (ProcessCpuSeconds() - cpu_from) / ((now - from) / 1000.0);
    return share >= 0;
  }
};

kvx::PlatformEvent Key(bool down, int scancode, uint32_t at) {
  kvx::PlatformEvent e;
  e.kind = down ? kvx::PlatformEvent::Kind::KeyDown : kvx::PlatformEvent::Kind::KeyUp;
  e.code = scancode;
  e.timestamp_ms = at;
  return e;
}

struct Folder {
  fs::path root;
  fs::path chart;
  Folder() {
    root = fs::temp_directory_path() / ("kvx-idle-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "songs" / "idle");
    fs::copy(fs::path(KVX_BUILD_DIR) / "_kvxfiles", root / "_kvxfiles", fs::copy_options::recursive);
    for (const char* leftover : {"kvx_conf.ini", "kvx_keycnf.dat", "debug.txt"}) fs::remove(root / "_kvxfiles" / leftover);
    // No chart preview on the list: the list itself is measured.
    std::ofstream(root / "_kvxfiles" / "kvx_conf.ini") << "[Setting]\nBMSPreview=0\nHiSpeed=1\nRealHiSpeed=1\n";
    chart = root / "songs" / "idle" / "idle.bms";
    std::ofstream(chart) << "#PLAYER 1\n#TITLE idle\n#BPM 240\n#00211:01\n";
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

// The startup menu: measured from a second thread, then closed.
double MenuShare(const Folder& folder, bool before) {
  kvx::Game g;
  g.SetProgramFolder(folder.root.string());
  g.options.redraw_always = g.options.input_per_frame = before;
  std::atomic<double> share{-1};
  std::thread watcher([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(kSettleMs + 1000));
    const double cpu = ProcessCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(MeasureMs()));
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    share = (ProcessCpuSeconds() - cpu) / wall;
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
  });
  kvx::RunGame(g);
  watcher.join();
  return share;
}

// The game's screens, walked by a scripted event source.
std::map<std::string, double> GameShares(const Folder& folder, bool before) {
  kvx::Game g;
  g.SetProgramFolder(folder.root.string());
  g.options.no_menu = true;
  g.options.autoplay = true;
  g.options.redraw_always = g.options.input_per_frame = before;
  g.app.command_line = "\"" + folder.chart.string() + "\"";
  struct Stage {
    const char* name;
    bool (*here)(const kvx::Game&);
    int leave_key;  // scancode pressed when measured; 0 closes the window
  };
  static const Stage kStages[] = {
      {"pause", [](const kvx::Game& g) { return g.app.GameState == kvx::Screen::Play && g.play.Paused; },
       SDL_SCANCODE_F12},
      {"result", [](const kvx::Game& g) { return g.app.GameState == kvx::Screen::Result && g.play.QuitPlay; },
       SDL_SCANCODE_Z},
      {"jukebox_list", [](const kvx::Game& g) { return g.app.GameState == kvx::Screen::JukeboxList; },
       SDL_SCANCODE_RETURN},
      {"song_list", [](const kvx::Game& g) { return g.app.GameState == kvx::Screen::SongList; }, SDL_SCANCODE_TAB},
      {"course_list", [](const kvx::Game& g) { return g.app.GameState == kvx::Screen::CourseList; }, 0},
  };
  std::map<std::string, double> shares;
  size_t stage = 0;
  IdleWindow window;
  int release = 0;
  bool paused = false;
  g.pump.AddSource([&](std::vector<kvx::PlatformEvent>& events) {
    const uint32_t now = g.NowMs();
    if (release) {
      events.push_back(Key(false, release, now));
      release = 0;
      return;
    }
    // Pause the play as soon as it runs.
    if (!paused && g.app.GameState == kvx::Screen::Play && g.play.Playing && g.play.NextObject > 0) {
      paused = true;
      events.push_back(Key(true, SDL_SCANCODE_F12, now));
      release = SDL_SCANCODE_F12;
      return;
    }
    if (stage >= std::size(kStages) || !kStages[stage].here(g)) return;
    if (!window.Step(now)) return;
    shares[kStages[stage].name] = window.share;
    const int key = kStages[stage].leave_key;
    ++stage;
    window = IdleWindow{};
    if (key == 0) {
      events.push_back(kvx::PlatformEvent{});  // close the window
      return;
    }
    events.push_back(Key(true, key, now));
    release = key;
  });
  kvx::RunGame(g);
  return shares;
}

// The ranking name entry (its tiles and its blinking new row move): the
// one-note chart played by hand, its note hit on time, the result left, and
// the entry measured before Enter ends it.
double RankingShare(const Folder& folder, bool before) {
  kvx::Game g;
  g.SetProgramFolder(folder.root.string());
  g.options.no_menu = true;
  g.options.redraw_always = g.options.input_per_frame = before;
  g.app.command_line = "\"" + folder.chart.string() + "\"";
  constexpr int32_t kNoteMs = 2000;  // measure 2 at 240 BPM
  double share = -1;
  bool hit = false, left_result = false;
  uint32_t result_seen = 0;
  int release = 0;
  IdleWindow window;
  g.pump.AddSource([&](std::vector<kvx::PlatformEvent>& events) {
    const uint32_t now = g.NowMs();
    if (release) {
      events.push_back(Key(false, release, now));
      release = 0;
      return;
    }
    const kvx::Screen screen = g.app.GameState;
    if (screen == kvx::Screen::Play && g.play.Playing && !hit && g.play.ElapsedMs >= kNoteMs) {
      hit = true;
      events.push_back(Key(true, SDL_SCANCODE_Z, now - static_cast<uint32_t>(g.play.ElapsedMs - kNoteMs)));
      release = SDL_SCANCODE_Z;
    } else if (screen == kvx::Screen::Result && g.play.QuitPlay && !left_result) {
      if (!result_seen) result_seen = now;
      if (now - result_seen < kSettleMs) return;
      left_result = true;
      events.push_back(Key(true, SDL_SCANCODE_Z, now));
      release = SDL_SCANCODE_Z;
    } else if (screen == kvx::Screen::RankingNameEntry && window.Step(now)) {
      share = window.share;
      kvx::PlatformEvent enter;
      enter.kind = kvx::PlatformEvent::Kind::TextInput;
      enter.text = "\r";
      enter.timestamp_ms = now;
      events.push_back(enter);
    } else if (screen == kvx::Screen::JukeboxList || screen == kvx::Screen::SongList) {
      events.push_back(kvx::PlatformEvent{});  // close the window (not ranked: no figure)
    }
  });
  kvx::RunGame(g);
  return share;
}

void BM_IdleScreens(benchmark::State& state) {
  std::string reason;
  std::map<std::string, double> before, after;
  const bool ran = kvx::test::RunOnXServer(
      [&] {
        setenv("ALSOFT_DRIVERS", "null", 1);
        Folder folder;
        // KVX_IDLE_ONLY=ranking measures the ranking name entry alone, resting.
        const char* only = std::getenv("KVX_IDLE_ONLY");
        for (auto _ : state) {
          if (only && std::string(only) == "ranking") {
            after["ranking"] = RankingShare(folder, false);
            continue;
          }
          before = GameShares(folder, true);
          before["startup_menu"] = MenuShare(folder, true);
          before["ranking"] = RankingShare(folder, true);
          after = GameShares(folder, false);
          after["startup_menu"] = MenuShare(folder, false);
          after["ranking"] = RankingShare(folder, false);
        }
      },
      &reason);
  if (!ran) {
    state.SkipWithError(("no X server: " + reason).c_str());
    return;
  }
  std::printf("\n| screen | before (%% of a core) | after (%% of a core) |\n|---|---|---|\n");
  for (const char* name : {"startup_menu", "song_list", "jukebox_list", "course_list", "pause", "result", "ranking"}) {
    const double b = before.count(name) ? 100 * before[name] : -1;
    const double a = after.count(name) ? 100 * after[name] : -1;
    std::printf("| %s | %.1f | %.1f |\n", name, b, a);
    state.counters[std::string(name) + "_before_pct"] = b;
    state.counters[std::string(name) + "_after_pct"] = a;
  }
}
BENCHMARK(BM_IdleScreens)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
