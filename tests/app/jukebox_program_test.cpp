// The song library in whole-program runs on the dummy display: the first
// start searches, each search folder becomes a jukebox, a jukebox opens its
// song list and a chart plays from it; list files dropped on the window.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "library/list_file.h"
#include "platform/text.h"
#include "whole_program_fixture.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::WholeProgram;

const fs::path kBuild(KVX_BUILD_DIR);

void Tap(WholeProgram& w, std::vector<PlatformEvent>& events, int scancode) {
  events.push_back(w.Key(scancode, true, w.Now()));
  events.push_back(w.Key(scancode, false, w.Now()));
}

std::vector<std::string> Titles(const std::vector<SongEntry>& list) {
  std::vector<std::string> titles;
  for (const auto& e : list) titles.push_back(e.Title);
  return titles;
}

TEST(JukeboxProgram, TwoSearchFoldersGiveTwoJukeboxesAndAChartPlaysFromOne) {
  WholeProgram run("pixel_comet", "comet_light5.bms", 8);
  run.g.app.command_line.clear();
  run.g.options.autoplay = true;
  const fs::path root(run.folder.path());
  fs::create_directories(root / "packs" / "alpha");
  fs::create_directories(root / "packs" / "beta");
  fs::copy(kBuild / "songs" / "sunrise_parade", root / "packs" / "alpha" / "sunrise_parade",
           fs::copy_options::recursive);
  fs::rename(root / "songs" / "pixel_comet", root / "packs" / "beta" / "pixel_comet");
  run.folder.Write("_kvxfiles/kvx_searchdir.txt",
                   "// search folders\r\n<currentdir>/packs/alpha\r\n<CURRENTDIR>\\packs\\beta\\\r\n");

  std::vector<std::string> jukeboxes, songs, songs_after;
  std::string heading;
  int step = 0;
  const int rc = run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
    const Screen screen = w.g.app.GameState;
    if (step == 0 && screen == Screen::JukeboxList) {
      jukeboxes = Titles(w.g.library.SongList);
      Tap(w, events, SDL_SCANCODE_DOWN);
      step = 1;
    } else if (step == 1 && screen == Screen::JukeboxList && w.g.app.ListCursor == 1) {
      Tap(w, events, SDL_SCANCODE_RETURN);
      step = 2;
    } else if (step == 2 && screen == Screen::SongList) {
      for (const auto& e : w.g.library.SongList) songs.push_back(FileNameOf(e.FilePath));
      heading = w.g.screens.JukeboxName;
      Tap(w, events, SDL_SCANCODE_RETURN);
      step = 3;
    }
  });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(jukeboxes, (std::vector<std::string>{"alpha", "beta"}));
  EXPECT_EQ(heading, "beta.kbl");
  EXPECT_EQ(songs, (std::vector<std::string>{"comet_light5.bms", "comet_another.bme", "comet_normal.bme"}));
  ASSERT_TRUE(run.result_seen);
  EXPECT_TRUE(run.left_result);
  EXPECT_EQ(run.g.app.GameState, Screen::SongList);
  EXPECT_EQ(run.g.library.SongList.size(), 3u);
  const int notes = run.g.chart.NoteCount[0];
  EXPECT_GT(notes, 0);
  EXPECT_EQ(run.g.judge.Result[0].CountFGreat, notes);
  const std::string log = run.folder.Read("_kvxfiles/debug.txt");
  EXPECT_NE(log.find("# BMS-list(s) aren't found. Make now."), std::string::npos);
  EXPECT_NE(log.find("2 juke(s) has detected."), std::string::npos);
  EXPECT_NE(log.find("[BMSLoad] comet_light5.bms"), std::string::npos);
  const DecodedList alpha = DecodeListFile(run.folder.Read("_kvxfiles/jukelist/alpha.kbl"));
  EXPECT_TRUE(alpha.complete);
  EXPECT_EQ(alpha.entries.size(), 2u);
  EXPECT_TRUE(FileExists(run.folder.path() + "/_kvxfiles/jukelist/beta.kbl"));
}

// The default search file finds every demo song; a list file dropped on the
// song list, named in mixed case, plays its first entry.
TEST(JukeboxProgram, DemoSongsThroughTheDefaultSearchFileAndADroppedList) {
  WholeProgram run("pixel_comet", "comet_light5.bms", 8);
  run.g.app.command_line.clear();
  run.g.options.autoplay = true;
  size_t demo_charts = 0;
  for (const auto& song : fs::directory_iterator(kBuild / "songs")) {
    if (!song.is_directory()) continue;
    fs::copy(song.path(), fs::path(run.folder.path()) / "songs" / song.path().filename(),
             fs::copy_options::recursive | fs::copy_options::skip_existing);
    for (const auto& file : fs::directory_iterator(song.path()))
      demo_charts += EndsWithNoCase(file.path().string(), ".bms") || EndsWithNoCase(file.path().string(), ".bme") ||
                     EndsWithNoCase(file.path().string(), ".bml");
  }
  ASSERT_GE(demo_charts, 7u);
  SongEntry entry;
  entry.FilePath = run.chart_path;
  entry.Title = "dropped";
  const std::string list = run.folder.Write("My Party.KbL", EncodeListFile({entry}));

  std::vector<std::string> jukeboxes;
  size_t listed = 0;
  int step = 0;
  const int rc = run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
    if (step == 0 && w.g.app.GameState == Screen::JukeboxList) {
      jukeboxes = Titles(w.g.library.SongList);
      Tap(w, events, SDL_SCANCODE_RETURN);
      step = 1;
    } else if (step == 1 && w.g.app.GameState == Screen::SongList) {
      listed = w.g.library.SongList.size();
      PlatformEvent e;
      e.kind = PlatformEvent::Kind::DropFile;
      e.text = list;
      events.push_back(e);
      step = 2;
    }
  });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(jukeboxes, std::vector<std::string>{"songs"});
  EXPECT_EQ(listed, demo_charts);
  ASSERT_TRUE(run.result_seen);
  EXPECT_EQ(run.g.library.CurrentListFile, list);
  EXPECT_EQ(run.g.judge.Result[0].CountFGreat, run.g.chart.NoteCount[0]);
  EXPECT_NE(run.folder.Read("_kvxfiles/debug.txt").find("[BMSLoad] comet_light5.bms"), std::string::npos);
  // Back on song select, the dropped list is the song list, headed by its
  // name, with the played entry's record (a demo play: counted, not ranked).
  EXPECT_EQ(run.g.app.GameState, Screen::SongList);
  EXPECT_EQ(run.g.screens.JukeboxName, "My Party.KbL");
  EXPECT_EQ(Titles(run.g.library.SongList), std::vector<std::string>{"dropped"});
  EXPECT_EQ(run.g.screens.TitleMain, "dropped");
  EXPECT_EQ(run.g.screens.Record.PlayCount, 1);
  EXPECT_EQ(run.g.screens.Record.Ranking[0].Score, 0.0f);
  EXPECT_EQ(run.folder.Read("songs/pixel_comet/comet_light5.ksd").size(), 446u);
}


// With no list file the start searches; when that finds nothing the game does
// not start. With a list file it starts without searching.
TEST(JukeboxProgram, TheStartSearchesOnlyWhenNoListExists) {
  test::TempFolder dir;
  Game g;
  test::UseHeadlessGame(g, dir.path(), 1000, 5);
  testing::internal::CaptureStderr();
  EXPECT_EQ(RunGame(g), 0);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("No BMSs: "), std::string::npos);
  std::string log = dir.Read("_kvxfiles/debug.txt");
  EXPECT_NE(log.find("# BMS-list(s) aren't found. Make now."), std::string::npos);
  EXPECT_EQ(log.find("initialize complete."), std::string::npos);

  SongEntry entry;
  entry.Title = "t";
  entry.FilePath = dir.path() + "/t.bms";
  dir.Write("_kvxfiles/jukelist/mine.kbl", EncodeListFile({entry}));
  Game h;
  test::UseHeadlessGame(h, dir.path(), 1000, 5);
  h.pump.AddSource([&](std::vector<PlatformEvent>& events) {
    if (h.app.Running) events.push_back(PlatformEvent{});  // close at once
  });
  EXPECT_EQ(RunGame(h), 0);
  log = dir.Read("_kvxfiles/debug.txt");
  EXPECT_EQ(log.find("Make now."), std::string::npos);
  EXPECT_NE(log.find("1 juke(s) has detected."), std::string::npos);
  EXPECT_NE(log.find("initialize complete."), std::string::npos);
  EXPECT_EQ(h.library.JukeList[0].Title, "mine");
}

}  // namespace
}  // namespace kvx
