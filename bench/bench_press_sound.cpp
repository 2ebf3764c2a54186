// Press-to-sound: under an X server (Xvfb), real key presses (XTest) play a
// chart's click as the lane's key sound while OpenAL Soft's wave driver writes
// what it mixes to a WAV file in real time; sox turns the file into samples.
// The wave driver mixes an update period once that much time has passed since
// the device started, so a click's first sample tells when it was mixed. The
// device's start is not known to the ms on the game clock: first the game
// thread starts the click directly 20 times at known times, and the quickest
// of those (a start just before a period was mixed) is taken as no delay.
// Each press's delay to the mixer is measured against that. A sound card
// plays a mixed period after the ones queued before it: the delay heard adds
// (periods - 1) x the period. Figures: min/median/max in ms, "before" (the
// device's own update size, input read once per frame) and "after"
// (AudioLatencyMs, input handled as it arrives), in one run (each in a process
// of its own). Goal: median heard <= 15 ms.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "../tests/xserver.h"
#include "app/game.h"
#include "app/sound_links.h"
#include "app/program.h"
#include "media/sound.h"
#include "platform/openal_device.h"
#include "xtest_keys.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPresses = 40;
constexpr unsigned long kKeysymZ = 0x7a;  // lane 1 in the default key table

void WriteClick(const fs::path& file) {
  // 20 ms of a 1 kHz square wave, 16-bit mono at 44.1 kHz.
  const int rate = 44100, frames = rate / 50;
  std::vector<int16_t> samples(frames);
  for (int i = 0; i < frames; ++i) samples[i] = (i * 1000 / rate) % 2 ? -20000 : 20000;
  auto u32 = [](std::ofstream& o, uint32_t v) { o.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [](std::ofstream& o, uint16_t v) { o.write(reinterpret_cast<const char*>(&v), 2); };
  std::ofstream o(file, std::ios::binary);
  o << "RIFF";
  u32(o, 36 + frames * 2);
  o << "WAVEfmt ";
  u32(o, 16), u16(o, 1), u16(o, 1), u32(o, rate), u32(o, rate * 2), u16(o, 2), u16(o, 16);
  o << "data";
  u32(o, frames * 2);
  o.write(reinterpret_cast<const char*>(samples.data()), frames * 2);
}

struct Folder {
  fs::path root, chart, wave;
  Folder() {
    root = fs::temp_directory_path() / ("kvx-sound-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "songs" / "click");
    fs::copy(fs::path(KVX_BUILD_DIR) / "_kvxfiles", root / "_kvxfiles", fs::copy_options::recursive);
    for (const char* leftover : {"kvx_conf.ini", "kvx_keycnf.dat", "debug.txt"}) fs::remove(root / "_kvxfiles" / leftover);
    // Only the clicks are heard: no system sounds.
    fs::remove_all(root / "_kvxfiles" / "wav");
    fs::create_directories(root / "_kvxfiles" / "wav");
    std::ofstream(root / "_kvxfiles" / "kvx_conf.ini") << "[Setting]\nBMSPreview=0\nHiSpeed=1\nRealHiSpeed=1\n";
    WriteClick(root / "songs" / "click" / "click.wav");
    chart = root / "songs" / "click" / "click.bms";
    std::ofstream out(chart);
    out << "#PLAYER 1\n#TITLE click\n#BPM 120\n#WAV01 click.wav\n";
    for (int m = 1; m <= 8; ++m) out << "#00" << m << "11:01000000\n";
    wave = root / "out.wav";
    std::ofstream(root / "alsoft.conf") << "[general]\ndrivers = wave\n[wave]\nfile = " << wave.string() << "\n";
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

struct Delays {
  int found = 0, sent = 0;
  int update = 0, rate = 0;
  double mix[3] = {-1, -1, -1};    // min, median, max
  double heard[3] = {-1, -1, -1};
};

// The samples of a WAV file as 16-bit mono, through sox; the rate in *rate.
std::vector<int16_t> ReadWithSox(const fs::path& wav, int* rate) {
  const fs::path raw = wav.string() + ".raw";
  const std::string convert =
      "sox -V1 '" + wav.string() + "' -t raw -e signed -b 16 '" + raw.string() + "' remix - 2>/dev/null";
  const std::string info = "sox --i -r '" + wav.string() + "' 2>/dev/null";
  std::vector<int16_t> samples;
  if (std::system(convert.c_str()) != 0) return samples;
  if (FILE* p = popen(info.c_str(), "r")) {
    if (std::fscanf(p, "%d", rate) != 1) *rate = 0;
    pclose(p);
  }
  std::ifstream in(raw, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  samples.resize(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

void MinMedianMax(std::vector<double> v, double out[3]) {
  if (v.empty()) return;
  std::sort(v.begin(), v.end());
  out[0] = v.front(), out[1] = v[v.size() / 2], out[2] = v.back();
}

Delays PlayOnce(const Folder& folder, bool before) {
  kvx::Game g;
  g.SetProgramFolder(folder.root.string());
  g.options.no_menu = true;
  g.options.input_per_frame = before;
  if (before) g.options.audio_latency_ms = 0;
  g.app.command_line = "\"" + folder.chart.string() + "\"";
  std::vector<uint32_t> sent, direct;
  std::atomic<bool> playing{false}, done{false};
  Delays d;
  constexpr int kDirect = 20;
  uint32_t next_direct = 0;
  g.pump.AddSource([&](std::vector<kvx::PlatformEvent>& events) {
    if (g.sound.device) d.update = g.sound.device->UpdateSize();
    const uint32_t now = g.NowMs();
    const bool in_play = g.app.GameState == kvx::Screen::Play && g.play.Playing && g.play.ElapsedMs > 500;
    if (in_play && direct.size() < kDirect && static_cast<int32_t>(now - next_direct) >= 0) {
      kvx::PlayWav(g, 1);
      direct.push_back(now);
      next_direct = now + 150 + static_cast<uint32_t>(direct.size() * 37 % 61);
    }
    playing = in_play && direct.size() >= kDirect && now - direct.back() > 200;
    if (done.exchange(false)) events.push_back(kvx::PlatformEvent{});
  });
  std::thread sender([&] {
    kvx::bench::XTestKeys keys;
    if (!keys.ok()) {
      done = true;
      return;
    }
    keys.MovePointer(512, 384);
    while (!playing) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::mt19937 random(11);
    std::uniform_int_distribution<int> gap(230, 370);
    for (int i = 0; i < kPresses; ++i) {
      std::this_thread::sleep_for(std::chrono::microseconds(gap(random) * 1000 + gap(random) * 3));
      sent.push_back(g.clock->NowMs());
      keys.Key(kKeysymZ, true);
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
      keys.Key(kKeysymZ, false);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    done = true;
  });
  kvx::RunGame(g);
  sender.join();
  if (g.display.headless) sent.clear();  // the window could not be opened
  d.sent = static_cast<int>(sent.size());
  if (const char* keep = std::getenv("KVX_KEEP_WAVE")) {
    fs::copy_file(folder.wave, std::string(keep) + (before ? "_before.wav" : "_after.wav"), fs::copy_options::overwrite_existing);
    std::printf("opened at %u, first press at %u\n", g.sound.opened_ms, sent.empty() ? 0 : sent[0]);
  }
  const std::vector<int16_t> samples = ReadWithSox(folder.wave, &d.rate);
  if (samples.empty() || d.rate <= 0 || d.update <= 0) return d;
  const double ms_per_frame = 1000.0 / d.rate;
  // When the click started at `at` (game clock) was mixed, less `at`, in ms
  // on the file's clock; nothing when no click is found after it.
  auto delay = [&](uint32_t at) -> std::optional<double> {
    const double t = static_cast<int32_t>(at - g.sound.opened_ms);
    const long from = std::max(0L, std::lround((t - 60) / ms_per_frame));
    const long to = std::min<long>(samples.size(), std::lround((t + 120) / ms_per_frame));
    for (long i = from; i < to; ++i)
      if (std::abs(samples[i]) >= 2000) return (i / d.update + 1) * d.update * ms_per_frame - t;
    return std::nullopt;
  };
  double quickest = 1e9;
  for (uint32_t at : direct)
    if (auto x = delay(at)) quickest = std::min(quickest, *x);
  if (quickest > 1e8) return d;
  std::vector<double> mix, heard;
  const double queued = (kvx::AudioDevice::kPeriods - 1) * d.update * ms_per_frame;
  for (uint32_t at : sent) {
    if (auto x = delay(at)) {
      mix.push_back(*x - quickest);
      heard.push_back(*x - quickest + queued);
    }
  }
  d.found = static_cast<int>(mix.size());
  MinMedianMax(mix, d.mix);
  MinMedianMax(heard, d.heard);
  return d;
}

// Each run in a process of its own: OpenAL Soft reads its configuration (the
// period size) once per process. A run whose window could not be opened is
// tried again.
Delays PlayAndMeasure(const Folder& folder, bool before) {
  Delays d;
  for (int attempt = 0; attempt < 3 && d.sent == 0; ++attempt) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return d;
    const pid_t child = fork();
    if (child == 0) {
      close(pipe_ends[0]);
      const Delays measured = PlayOnce(folder, before);
      if (write(pipe_ends[1], &measured, sizeof measured) != sizeof measured) _exit(1);
      _exit(0);
    }
    close(pipe_ends[1]);
    if (child < 0 || read(pipe_ends[0], &d, sizeof d) != sizeof d) d = Delays{};
    close(pipe_ends[0]);
    if (child > 0) waitpid(child, nullptr, 0);
  }
  return d;
}

void Report(benchmark::State& state, const char* name, const Delays& d) {
  std::printf("| %s | %d Hz, %d samples | %d of %d | %.1f / %.1f / %.1f | %.1f / %.1f / %.1f |\n", name, d.rate, d.update,
              d.found, d.sent, d.mix[0], d.mix[1], d.mix[2], d.heard[0], d.heard[1], d.heard[2]);
  state.counters[std::string(name) + "_mixed_median_ms"] = d.mix[1];
  state.counters[std::string(name) + "_heard_median_ms"] = d.heard[1];
}

void BM_PressToSound(benchmark::State& state) {
  std::string reason;
  Delays before, after;
  const bool ran = kvx::test::RunOnXServer(
      [&] {
        Folder folder;
        unsetenv("ALSOFT_DRIVERS");
        setenv("ALSOFT_CONF", (folder.root / "alsoft.conf").c_str(), 1);
        for (auto _ : state) {
          before = PlayAndMeasure(folder, true);
          after = PlayAndMeasure(folder, false);
        }
      },
      &reason);
  if (!ran) {
    state.SkipWithError(("no X server: " + reason).c_str());
    return;
  }
  std::printf("\n| run | device | clicks found | press to mix min/median/max ms | heard (+%d periods) ms |\n"
              "|---|---|---|---|---|\n",
              kvx::AudioDevice::kPeriods - 1);
  Report(state, "before", before);
  Report(state, "after", after);
}
BENCHMARK(BM_PressToSound)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
