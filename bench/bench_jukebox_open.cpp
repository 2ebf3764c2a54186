// A 20,000-chart jukebox on song select: the time from Enter on the jukebox
// list to the first frame of its song list (goal: under 50 ms), and the
// clear marks of all 20,000 charts, each with its record file: how long until
// every mark is known, and the longest frame meanwhile (the frames never wait
// for the record files, which a worker reads).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "library/jukebox.h"
#include "library/list_file.h"
#include "platform/files.h"
#include "screens/jukebox_list.h"
#include "screens/score_record.h"
#include "screens/song_select.h"
#include "song_select_setup.h"

namespace {

namespace fs = std::filesystem;
using kvx::bench::Clock;
using kvx::bench::MsSince;

constexpr int kCharts = 20000;

// The charts and their records, made once: every third chart cleared.
struct Library {
  std::string root;
  std::string list;
  Library() {
    root = kvx::bench::MakeTempFolder("kvxjuke");
    kvx::bench::CopyGeneratedData(root);
    std::vector<kvx::SongEntry> entries;
    for (int i = 0; i < kCharts; ++i) {
      const std::string folder = root + "/songs/pack" + std::to_string(i / 200);
      if (i % 200 == 0) fs::create_directories(folder);
      kvx::SongEntry e;
      e.Title = "Bench Song " + std::to_string((i * 7919) % kCharts) + " [ANOTHER]";
      e.Artist = "artist " + std::to_string(i % 300);
      e.Genre = "GENRE " + std::to_string(i % 40);
      e.PlayLevel = 1 + i % 12;
      e.Player = 1;
      e.Bpm = 150;
      e.FilePath = folder + "/chart" + std::to_string(i) + ".bme";
      kvx::ScoreRecord record;
      record.PlayCount = 1;
      record.ClearedFlag = i % 3 == 0;
      kvx::WriteFileBytes(kvx::ScoreFilePath(e.FilePath), kvx::EncodeScoreRecord(record));
      entries.push_back(std::move(e));
    }
    list = root + "/_kvxfiles/jukelist/big.kbl";
    kvx::WriteFileBytes(list, kvx::EncodeListFile(entries));
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

// Song select on the dummy display, on the jukebox list holding the big jukebox.
struct JukeboxScreen {
  kvx::Game g;
  JukeboxScreen() {
    Library& lib = TheLibrary();
    kvx::bench::StartSongSelectDisplay(g, lib.root);
    g.settings.ShowClearedOnList = true;  // read only when the list is drawn
    kvx::SongEntry juke;
    juke.Title = "big";
    juke.FilePath = lib.list;
    g.library.JukeList = {juke};
    g.library.JukeListLast = 0;
  }
  ~JukeboxScreen() { kvx::ReleaseDirectX(g); }
  // Enter on the jukebox list, and the song list's first frame.
  void Open() {
    kvx::JukeReady(g);
    int16_t enter = 28;
    kvx::ProcessKey_SongSelect(g, enter);
    kvx::DrawList(g);
  }
};

void BM_OpenJukebox20000(benchmark::State& state) {
  JukeboxScreen s;
  for (auto _ : state) s.Open();
  if (s.g.library.SongList.size() != kCharts) state.SkipWithError("wrong entry count");
  state.counters["entries"] = kCharts;
}
BENCHMARK(BM_OpenJukebox20000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ClearMarks20000(benchmark::State& state) {
  double longest = 0, total = 0;
  int frames = 0;
  for (auto _ : state) {
    JukeboxScreen s;  // nothing read yet
    const auto t0 = Clock::now();
    s.Open();
    frames = 0;
    while (s.g.screens.ClearCheckIndex < kCharts && MsSince(t0) < 120000) {
      const auto frame = Clock::now();
      kvx::DrawList(s.g);
      longest = std::max(longest, MsSince(frame));
      ++frames;
    }
    total = MsSince(t0);
    int marked = 0;
    for (bool m : s.g.library.SongMarks) marked += m;
    if (marked != (kCharts + 2) / 3) state.SkipWithError("wrong number of clear marks");
  }
  state.counters["complete_s"] = total / 1000;
  state.counters["longest_frame_ms"] = longest;
  state.counters["frames"] = frames;
}
BENCHMARK(BM_ClearMarks20000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
