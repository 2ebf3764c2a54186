// Song select's search and random pick and the result screen's retry, in
// whole-program runs on the dummy display with scripted keys.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "screens/song_select.h"
#include "whole_program_fixture.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::Tap;
using test::Titles;
using test::WholeProgram;

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(ComfortsProgram, TypedSearchNarrowsTheListAndEscapeBringsItBack) {
  WholeProgram run("pixel_comet", "comet_light5.bms", 8);
  run.g.app.command_line.clear();
  fs::copy(fs::path(KVX_BUILD_DIR) / "songs" / "sunrise_parade",
           fs::path(run.folder.path()) / "songs" / "sunrise_parade", fs::copy_options::recursive);
  run.folder.Write("_kvxfiles/kvx_searchdir.txt", "<currentdir>/songs\r\n");
  std::vector<std::string> all, sun, normal, after_escape;
  int step = 0, random_cursor = -1;
  bool typed_list_moved = false;
  const int rc = run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
    Game& g = w.g;
    const Screen screen = g.app.GameState;
    if (step == 0 && screen == Screen::JukeboxList) {
      Tap(w, events, SDL_SCANCODE_RETURN);
      step = 1;
    } else if (step == 1 && screen == Screen::SongList) {
      all = Titles(g.library.SongList);
      Tap(w, events, SDL_SCANCODE_F6);
      step = 2;
    } else if (step == 2 && g.screens.Searching) {
      events.push_back(w.Typed("sUn"));
      step = 3;
    } else if (step == 3) {
      sun = Titles(g.library.SongList);
      // Lane keys type while the field is open: the list does not move.
      Tap(w, events, SDL_SCANCODE_Z);
      events.push_back(w.Typed("\b\b\b[normal"));
      step = 4;
    } else if (step == 4) {
      normal = Titles(g.library.SongList);
      typed_list_moved = g.app.GameState != Screen::SongList;
      Tap(w, events, SDL_SCANCODE_RETURN);  // keeps the narrowed list
      step = 5;
    } else if (step == 5) {
      EXPECT_FALSE(g.screens.Searching);
      EXPECT_EQ(Titles(g.library.SongList), (std::vector<std::string>{"Pixel Comet [NORMAL]"}));
      Tap(w, events, SDL_SCANCODE_ESCAPE);  // clears rather than quits
      step = 6;
    } else if (step == 6) {
      after_escape = Titles(g.library.SongList);
      Tap(w, events, SDL_SCANCODE_F5);
      step = 7;
    } else if (step == 7) {
      random_cursor = g.app.ListCursor;
      events.push_back(PlatformEvent{});  // close the window
      step = 8;
    }
  });
  EXPECT_EQ(rc, 0);
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(sun, (std::vector<std::string>{"Sunrise Parade [BEGINNER]", "Sunrise Parade [HYPER]"}));
  std::vector<std::string> expected_normal;
  for (const auto& t : all)
    if (t.find("[NORMAL]") != std::string::npos) expected_normal.push_back(t);
  EXPECT_EQ(normal, expected_normal);
  EXPECT_EQ(normal.size(), 1u);
  EXPECT_FALSE(typed_list_moved);
  EXPECT_EQ(after_escape, all);
  EXPECT_GT(random_cursor, 0);  // another entry than the first
  EXPECT_LT(random_cursor, 5);
}

TEST(ComfortsProgram, RetryKeyPlaysTheSameChartAgain) {
  WholeProgram run("sunrise_parade", "sunrise_beginner.bms", 16);
  run.g.options.autoplay = true;
  run.result_linger_ms = 2500;
  int retries = 0;
  std::string first_chart;
  EXPECT_EQ(run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
              if (w.g.app.GameState == Screen::Result && w.g.play.QuitPlay && retries == 0 &&
                  w.Now() > 2000) {
                first_chart = w.g.chart.Title;
                Tap(w, events, SDL_SCANCODE_R);
                ++retries;
              }
            }),
            0);
  ASSERT_TRUE(run.result_seen);
  const std::string log = run.folder.Read("_kvxfiles/debug.txt");
  EXPECT_EQ(Count(log, "[Result] SCORE: 200000"), 2u);
  EXPECT_EQ(Count(log, "retry: the same chart again"), 1u);
  EXPECT_EQ(run.g.chart.Title, first_chart);
  EXPECT_EQ(run.g.judge.Result[0].CountFGreat, 142);
}

}  // namespace
}  // namespace kvx
