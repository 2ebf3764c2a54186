// The whole program on the dummy display with the real song library: the
// jukebox list, a jukebox opened, the cursor moved, the preview sounding on
// the null device, a sort, Enter, a play in demo mode, its result, and back on
// the same entry of the song list.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "media/sound.h"
#include "screens/score_record.h"
#include "screens/song_select.h"
#include "screens/song_select_text.h"
#include "platform/text.h"
#include "screens/song_preview.h"
#include "app/whole_program_fixture.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::WholeProgram;
using test::Tap;

bool AnyChartSoundPlaying(Game& g) {
  for (int id = 1; id < 256; ++id)
    if (IsWavPlaying(g.sound, id)) return true;
  return false;
}

TEST(SongSelectProgram, JukeboxSongPreviewSortPlayResultAndBackOnTheSameEntry) {
  WholeProgram run("pixel_comet", "comet_light5.bms", 8);
  run.g.app.command_line.clear();
  run.g.options.autoplay = true;
  for (const char* song : {"sunrise_parade", "clockwork_tide"})
    fs::copy(fs::path(KVX_BUILD_DIR) / "songs" / song, fs::path(run.folder.path()) / "songs" / song,
             fs::copy_options::recursive);

  enum Step { kJukeboxes, kOpened, kMoved, kSorted, kEntered };
  Step step = kJukeboxes;
  std::vector<std::string> jukeboxes;
  size_t songs = 0;
  bool previewed = false;
  int cursor = -1;
  std::string chosen, previewed_file;
  int waited = 0;
  const int rc = run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
    Game& g = w.g;
    const Screen screen = g.app.GameState;
    switch (step) {
      case kJukeboxes:
        if (screen != Screen::JukeboxList) return;
        for (const auto& e : g.library.SongList) jukeboxes.push_back(e.Title);
        Tap(w, events, SDL_SCANCODE_RETURN);
        step = kOpened;
        break;
      case kOpened:
        if (screen != Screen::SongList) return;
        songs = g.library.SongList.size();
        Tap(w, events, SDL_SCANCODE_DOWN);
        step = kMoved;
        break;
      case kMoved:
        // The preview of the entry under the cursor sounds after the delay.
        if (SongPreviewPlaying(g) && AnyChartSoundPlaying(g)) {
          previewed = true;
          previewed_file = g.screens.Preview.file;
          Tap(w, events, SDL_SCANCODE_KP_3);
          step = kSorted;
        } else if (++waited % 8 == 0) {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));  // time for the sound decoders
        }
        break;
      case kSorted:
        cursor = g.app.ListCursor;
        chosen = g.library.SongList[cursor].FilePath;
        Tap(w, events, SDL_SCANCODE_RETURN);
        step = kEntered;
        break;
      case kEntered:
        break;
    }
  });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(jukeboxes, (std::vector<std::string>{"songs"}));
  EXPECT_EQ(songs, 7u);
  EXPECT_TRUE(previewed);
  EXPECT_FALSE(previewed_file.empty());
  ASSERT_EQ(step, kEntered);
  ASSERT_TRUE(run.result_seen);
  EXPECT_TRUE(run.left_result);
  // Back on the song list, on the entry that was played.
  EXPECT_EQ(run.g.app.GameState, Screen::SongList);
  EXPECT_EQ(run.g.app.ListCursor, cursor);
  EXPECT_EQ(run.g.library.SongList[cursor].FilePath, chosen);
  // Sorted by title.
  std::vector<std::string> keys;
  for (const auto& e : run.g.library.SongList) keys.push_back(TextSortKey(e.Title));
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  // The demo play hit every note.
  const int notes = run.g.chart.NoteCount[0];
  EXPECT_GT(notes, 0);
  EXPECT_EQ(run.g.judge.Result[0].CountFGreat, notes);
  // The record of the chart, reloaded after the play: a demo play counts but never ranks.
  EXPECT_EQ(run.g.screens.TitleMain, SplitSongTitle(run.g.library.SongList[cursor].Title).main);
  EXPECT_EQ(run.g.screens.Record.PlayCount, 1);
  EXPECT_EQ(run.g.screens.Record.Ranking[0].Score, 0.0f);
  const auto record = ReadFileBytes(ScoreFilePath(chosen));
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(DecodeScoreRecord(*record), run.g.screens.Record);
  const std::string log = run.folder.Read("_kvxfiles/debug.txt");
  EXPECT_NE(log.find("preview: playing " + previewed_file), std::string::npos);
  EXPECT_NE(log.find("[BMSLoad] " + FileNameOf(chosen)), std::string::npos);
  EXPECT_NE(log.find("Load Complete"), std::string::npos);
}

}  // namespace
}  // namespace kvx
