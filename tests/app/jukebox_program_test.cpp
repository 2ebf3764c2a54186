// The song library in whole-program runs on the dummy display: the first
// start searches, each search folder becomes a jukebox, a jukebox opens its
// song list and a chart plays from it; list files and charts dropped on the
// window, and the record of the played chart on its jukebox afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "library/list_file.h"
#include "platform/text.h"
#include "screens/jukebox_list.h"
#include "screens/score_record.h"
#include "screens/song_select.h"
#include "song_list_visit.h"
#include "whole_program_fixture.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::FindText;
using test::Tap;
using test::Titles;
using test::SongListVisit;
using test::TextsEqualTo;
using test::WholeProgram;

const fs::path kBuild(KVX_BUILD_DIR);

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
// jukebox list, named in mixed case, plays its first entry. The program comes
// back to the jukebox list; on the jukebox of the songs folder the chart
// shows the record read from disk: the earlier ranked, cleared play, and one
// play more (a demo play counts but neither ranks nor clears).
TEST(JukeboxProgram, DemoSongsThroughTheDefaultSearchFileAndADroppedList) {
  WholeProgram run("pixel_comet", "comet_light5.bms", 8);
  run.g.app.command_line.clear();
  run.g.options.autoplay = true;
  run.list_linger_frames = 400;  // the visit below closes the window long before
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
  // The record of an earlier play of the chart.
  ScoreRecord earlier;
  earlier.PlayCount = 4;
  earlier.ClearedFlag = true;
  earlier.Ranking[0].Cleared = true;
  earlier.Ranking[0].Name = "EARLIER";
  earlier.Ranking[0].Score = 150123;
  run.folder.Write("songs/pixel_comet/comet_light5.ksd", EncodeScoreRecord(earlier));

  std::vector<std::string> jukeboxes;
  size_t listed = 0;
  int step = 0;
  SongListVisit visit("songs", run.chart_path, 80);
  const int rc = run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
    if (w.left_result) {
      visit.Step(w, events);
    } else if (step == 0 && w.g.app.GameState == Screen::JukeboxList) {
      jukeboxes = Titles(w.g.library.SongList);
      Tap(w, events, SDL_SCANCODE_RETURN);
      step = 1;
    } else if (step == 1 && w.g.app.GameState == Screen::SongList) {
      listed = w.g.library.SongList.size();
      Tap(w, events, SDL_SCANCODE_LEFT);
      step = 2;
    } else if (step == 2 && w.g.app.GameState == Screen::JukeboxList) {
      PlatformEvent e;
      e.kind = PlatformEvent::Kind::DropFile;
      e.text = list;
      events.push_back(e);
      step = 3;
    }
  });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(jukeboxes, std::vector<std::string>{"songs"});
  EXPECT_EQ(listed, demo_charts);
  ASSERT_TRUE(run.result_seen);
  EXPECT_EQ(run.g.judge.Result[0].CountFGreat, run.g.chart.NoteCount[0]);
  const std::string log = run.folder.Read("_kvxfiles/debug.txt");
  EXPECT_NE(log.find("[BMSLoad] comet_light5.bms"), std::string::npos);
  // Back on the jukebox list, as it was before the drop.
  EXPECT_EQ(visit.back_screen, Screen::JukeboxList);
  EXPECT_EQ(visit.back_titles, std::vector<std::string>{"songs"});
  // The file on disk: one play more, the earlier first place and clear kept.
  ScoreRecord expected = earlier;
  expected.PlayCount = 5;
  const std::string bytes = run.folder.Read("songs/pixel_comet/comet_light5.ksd");
  ASSERT_EQ(bytes.size(), 446u);
  EXPECT_EQ(DecodeScoreRecord(bytes), expected);
  // The jukebox opened and the cursor moved to the chart: that record, drawn.
  ASSERT_TRUE(visit.reached);
  Game& g = run.g;
  EXPECT_EQ(g.screens.JukeboxName, "songs.kbl");
  EXPECT_EQ(g.library.SongList.size(), demo_charts);
  const int cursor = g.app.ListCursor;
  ASSERT_TRUE(cursor >= 0 && cursor < static_cast<int>(g.library.SongList.size()));
  EXPECT_TRUE(fs::equivalent(g.library.SongList[cursor].FilePath, run.chart_path));
  EXPECT_EQ(g.screens.Record, expected);
  EXPECT_TRUE(g.library.SongMarks.at(cursor));
  const Rect panel{0, 24, 300, 456}, rows{304, 24, 640, 410};
  const DrawnText* first = FindText(visit.texts, "1st ", panel);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->text, "1st EARLIER  150123  CLEAR");
  EXPECT_NE(FindText(visit.texts, "PLAY COUNT 5", panel), nullptr);
  const std::vector<DrawnText> shown = TextsEqualTo(visit.texts, g.library.SongList[cursor].Title, rows);
  ASSERT_FALSE(shown.empty());
  for (const DrawnText& row : shown) EXPECT_EQ(row.rgb, kClearedTextColor);
}

// A chart dropped while the course list is shown plays as a chart, not as a
// course, and the program then comes back to the jukebox list.
TEST(JukeboxProgram, AChartDroppedOnTheCourseListPlaysAsAChart) {
  WholeProgram run("pixel_comet", "comet_light5.bms", 8);
  run.g.app.command_line.clear();
  run.g.options.autoplay = true;
  run.list_linger_frames = 1;
  int step = 0;
  std::vector<std::string> courses;
  const int rc = run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
    if (step == 0 && w.g.app.GameState == Screen::JukeboxList) {
      Tap(w, events, SDL_SCANCODE_TAB);
      step = 1;
    } else if (step == 1 && w.g.app.GameState == Screen::CourseList) {
      courses = Titles(w.g.library.SongList);
      PlatformEvent e;
      e.kind = PlatformEvent::Kind::DropFile;
      e.text = w.chart_path;
      events.push_back(e);
      step = 2;
    }
  });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(step, 2);
  EXPECT_GE(courses.size(), 2u);  // the new-course entry and the demo course
  ASSERT_TRUE(run.result_seen);
  const Game& g = run.g;
  EXPECT_GT(g.chart.NoteCount[0], 0);
  EXPECT_EQ(g.judge.Result[0].CountFGreat, g.chart.NoteCount[0]);
  const std::string log = run.folder.Read("_kvxfiles/debug.txt");
  EXPECT_NE(log.find("[BMSLoad] comet_light5.bms"), std::string::npos);
  EXPECT_EQ(log.find("[BMSLoad:Course]"), std::string::npos);
  EXPECT_EQ(DecodeScoreRecord(run.folder.Read("songs/pixel_comet/comet_light5.ksd")).PlayCount, 1);
  EXPECT_EQ(g.app.GameState, Screen::JukeboxList);
  EXPECT_EQ(Titles(g.library.SongList), std::vector<std::string>{"songs"});
  EXPECT_FALSE(g.screens.CourseModeShown);
  EXPECT_FALSE(g.chart.CourseMode);
}


// With no list file the start searches; when that finds nothing the game does
// not start and the program ends with a failure status. With a list file it
// starts without searching.
TEST(JukeboxProgram, TheStartSearchesOnlyWhenNoListExists) {
  test::TempFolder dir;
  Game g;
  test::UseHeadlessGame(g, dir.path(), 1000, 5);
  testing::internal::CaptureStderr();
  EXPECT_EQ(RunGame(g), 1);
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
