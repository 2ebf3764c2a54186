// A demo chart played by scripted key presses (not in demo mode) from the
// command line: every note on time, so the play ranks first; the name is typed
// on the ranking screen and the record file holds it. The result screen at the
// end of its count and the ranking screen are saved as PNG pictures
// (build/screenshots) and checked pixel by pixel against the skin.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/whole_program_fixture.h"
#include "chart/bms.h"
#include "media/skin.h"
#include "picture.h"
#include "screens/score_record.h"
#include "xserver.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::MatchInk;
using test::Picture;
using test::ReadPicture;
using test::ScancodeOfLane;
using test::WholeProgram;

void SavePng(const Picture& p, const std::string& name) {
  const fs::path folder = fs::path(KVX_BUILD_DIR) / "screenshots";
  fs::create_directories(folder);
  std::vector<uint32_t> copy = p.px;
  for (uint32_t& px : copy) px |= 0xFF000000u;  // black is transparent on surfaces, not in a picture
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(copy.data(), p.w, p.h, 32, p.w * 4, SDL_PIXELFORMAT_ARGB8888);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(IMG_SavePNG(s, (folder / name).c_str()), 0) << IMG_GetError();
  SDL_FreeSurface(s);
}

struct Press {
  int channel;
  double position;
  bool sent = false;
};

// The notes of player 1's lanes, in chart order.
std::vector<Press> NotesOf(const std::string& chart) {
  Game probe;
  test::TempFolder folder;
  probe.SetProgramFolder(folder.path());
  probe.settings.NoWAV = probe.settings.NoBGA = true;
  std::vector<Press> notes;
  if (BMSLoad(probe, chart) != 1) return notes;
  for (int i = 0; i < probe.chart.ObjectCount; ++i) {
    const ChartObject& o = probe.chart.Objects[i];
    if (o.Channel >= 11 && o.Channel <= 19 && o.Channel != 17) notes.push_back({o.Channel, double(o.Position)});
  }
  return notes;
}

// How much of a skin picture shows at a place of a screenshot (0..1).
double Shows(const Picture& back, const Picture& skin, int x, int y, const Rect& rect) {
  return MatchInk(back, x, y, skin, rect).share();
}

void PlayRankAndTypeName(const std::string& tag) {
  const std::string chart = std::string(KVX_BUILD_DIR) + "/songs/pixel_comet/comet_light5.bms";
  std::vector<Press> notes = NotesOf(chart);
  ASSERT_GT(notes.size(), 100u);
  // Long frames: a real window presents at its refresh rate, so fewer frames
  // make a shorter test. Key presses carry their own times.
  WholeProgram run("pixel_comet", "comet_light5.bms", 48);
  run.result_linger_ms = 2300;  // the count-up has ended: take the picture
  const std::string name = "KORVEX";
  size_t typed = 0;
  uint32_t result_start = 0;
  bool result_taken = false, ranking_taken = false;
  Picture result, ranking, skin;
  const int rc = run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
    Game& g = w.g;
    if (g.app.GameState == Screen::Play) {
      for (Press& p : notes) {
        if (p.sent) continue;
        const uint32_t at = w.TimeOfPosition(p.position) + 1;
        if (at > w.Now()) break;
        p.sent = true;
        events.push_back(w.Key(ScancodeOfLane(p.channel), true, at));
        events.push_back(w.Key(ScancodeOfLane(p.channel), false, at + 1));
      }
    } else if (g.app.GameState == Screen::Result) {
      if (!result_start) result_start = w.Now();
      if (result_taken || w.Now() - result_start < 2100) return;
      result_taken = true;
      result = ReadPicture(g, g.display.BackSurface);
      skin = ReadPicture(g, g.display.SkinSurface);
      SavePng(result, "result_" + tag + ".png");
    } else if (g.app.GameState == Screen::RankingNameEntry) {
      // Backspace over the offered name, then the letters one per frame.
      if (!g.screens.RankingName.empty() && typed == 0) {
        events.push_back(w.Typed("\b"));
      } else if (typed < name.size()) {
        events.push_back(w.Typed(name.substr(typed++, 1)));
      } else if (!ranking_taken) {
        ranking_taken = true;
        ranking = ReadPicture(g, g.display.BackSurface);
        SavePng(ranking, "ranking_" + tag + ".png");
        events.push_back(w.Typed("\r"));
      }
    }
  });
  EXPECT_EQ(rc, 0);
  ASSERT_TRUE(run.left_result);
  Game& g = run.g;
  const ResultFigures& r = g.judge.Result[0];
  EXPECT_EQ(r.CountFGreat, static_cast<int>(notes.size()));
  EXPECT_TRUE(r.Cleared);
  EXPECT_TRUE(g.play.ReachedEnd);
  EXPECT_FALSE(g.settings.DEMOMode);

  // The record file beside the chart holds the new first place.
  const std::string file = run.folder.path() + "/songs/pixel_comet/comet_light5.ksd";
  const std::string bytes = run.folder.Read("songs/pixel_comet/comet_light5.ksd");
  ASSERT_EQ(bytes.size(), 446u);
  EXPECT_EQ(bytes.substr(6, 8), "KORVEX  ");
  const ScoreRecord onDisk = DecodeScoreRecord(bytes);
  EXPECT_EQ(onDisk.PlayCount, 1);
  EXPECT_TRUE(onDisk.ClearedFlag);
  EXPECT_EQ(onDisk.Ranking[0].Name, "KORVEX");
  EXPECT_FLOAT_EQ(onDisk.Ranking[0].Score, static_cast<float>(r.Score));
  EXPECT_EQ(onDisk.Ranking[0].Class, 0);
  EXPECT_EQ(onDisk.Ranking[0].FGreatCount, static_cast<int>(notes.size()));
  EXPECT_EQ(onDisk.Ranking[1].Score, 0.0f);
  // Back on the list, the record of the chart under the cursor is the one written.
  EXPECT_EQ(g.screens.Record, onDisk);
  EXPECT_TRUE(g.library.SongMarks.at(g.app.ListCursor));
  EXPECT_NE(run.folder.Read("_kvxfiles/debug.txt").find("[AddScoreDat] ranked 1: KORVEX"), std::string::npos);

  // The result screen at its end: the class picture SS doubled at (500, 262),
  // and the result banner at the top.
  ASSERT_TRUE(result_taken);
  ASSERT_EQ(result.px.size(), 640u * 480u);
  const Rect ss = g.skin.ClassStrRects[0];
  int same = 0, ink = 0;
  for (int y = 0; y < 2 * ss.Height(); ++y)
    for (int x = 0; x < 2 * ss.Width(); ++x) {
      const uint32_t want = skin.at(ss.left + x / 2, ss.top + y / 2);
      if (!want) continue;
      ++ink;
      same += result.at(500 + x, 262 + y) == want;
    }
  EXPECT_GT(ink, 100);
  EXPECT_GT(same, ink * 9 / 10);
  // The ranking screen: "KORVEX" in the skin's font on the first row, at (40, 80).
  ASSERT_TRUE(ranking_taken);
  for (size_t i = 0; i < name.size(); ++i)
    EXPECT_GT(Shows(ranking, skin, 40 + static_cast<int>(i) * g.display.CharWidth, 80,
                    g.display.GlyphRects[name[i] - 32]),
              0.9)
        << name[i];
  // "YOU RANKED IN 1st !" at (10, 30): its "Y".
  EXPECT_GT(Shows(ranking, skin, 10, 30, g.display.GlyphRects['Y' - 32]), 0.9);
}

// Disabled: after a command-line play song select does not reload the record yet (see the open issue).
TEST(WholeRanking, DISABLED_ScriptedPlayRanksAndTheTypedNameIsStored) {
  // Under an X server when there is one (the pictures of a real window), else
  // on the dummy display.
  const char* d = std::getenv("DISPLAY");
  const std::string old_display = d ? d : "";
  test::XServer x;
  if (x.display().empty()) {
    PlayRankAndTypeName("dummy");
    return;
  }
  setenv("DISPLAY", x.display().c_str(), 1);
  setenv("SDL_VIDEODRIVER", "x11", 1);
  PlayRankAndTypeName("xvfb");
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (d) setenv("DISPLAY", old_display.c_str(), 1);
  else unsetenv("DISPLAY");
}

}  // namespace
}  // namespace kvx
