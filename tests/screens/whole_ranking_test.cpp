// A demo chart played by scripted key presses (not in demo mode) from the
// command line: every note on time, so the play ranks first; the name is typed
// on the ranking screen and the record file holds it. The program comes back
// to the jukebox list; the jukebox the start's search made for the songs
// folder is opened and the cursor moved to the chart, which shows its "1st "
// entry and the cleared colour. The result screen at the end of its count, the
// ranking screen and that song list are saved as PNG pictures
// (build/screenshots) and checked against the skin.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/song_list_visit.h"
#include "app/whole_program_fixture.h"
#include "media/skin.h"
#include "picture.h"
#include "play/chart_load.h"
#include "screens/ranking_screen.h"
#include "screens/score_record.h"
#include "screens/song_select.h"
#include "song_select_screen_fixture.h"
#include "xserver.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::MatchInk;
using test::Picture;
using test::ReadPicture;
using test::CountColour;
using test::FindText;
using test::ScancodeOfLane;
using test::SongListVisit;
using test::TextsEqualTo;
using test::WholeProgram;


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
  run.list_linger_frames = 300;  // the visit below closes the window long before
  const std::string name = "KORVEX";
  size_t typed = 0;
  uint32_t result_start = 0;
  bool result_taken = false, ranking_taken = false;
  Picture result, ranking, skin;
  std::vector<DrawnText> trace, ranking_texts;
  // The song list afterwards: its fade, opening and clear check over.
  SongListVisit visit("songs", run.chart_path, 30);
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
      test::SaveScreenshot(result, "result_" + tag + ".png");
    } else if (g.app.GameState == Screen::RankingNameEntry) {
      // Backspace over the offered name, then the letters one per frame.
      if (!g.screens.RankingName.empty() && typed == 0) {
        events.push_back(w.Typed("\b"));
      } else if (typed < name.size()) {
        events.push_back(w.Typed(name.substr(typed++, 1)));
      } else if (!ranking_taken) {
        ranking_taken = true;
        ranking = ReadPicture(g, g.display.BackSurface);
        ranking_texts = trace;
        test::SaveScreenshot(ranking, "ranking_" + tag + ".png");
        events.push_back(w.Typed("\r"));
      }
      g.display.TextTrace = &trace;
      trace.clear();
    } else if (w.left_result) {
      if (g.display.TextTrace == &trace) g.display.TextTrace = nullptr;  // the ranking screen's
      visit.Step(w, events);
    }
  });
  run.g.display.TextTrace = nullptr;
  EXPECT_EQ(rc, 0);
  ASSERT_TRUE(run.left_result);
  Game& g = run.g;
  const ResultFigures& r = g.judge.Result[0];
  EXPECT_EQ(r.CountFGreat, static_cast<int>(notes.size()));
  EXPECT_TRUE(r.Cleared);
  EXPECT_TRUE(g.play.ReachedEnd);
  EXPECT_FALSE(g.settings.DEMOMode);

  // The record file beside the chart holds the new first place.
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
  EXPECT_NE(run.folder.Read("_kvxfiles/debug.txt").find("[AddScoreDat] ranked 1: KORVEX"), std::string::npos);
  // Back from the play on the jukebox list, which holds the jukebox of the
  // songs folder and the jukebox's (empty) record.
  EXPECT_EQ(visit.back_screen, Screen::JukeboxList);
  EXPECT_EQ(visit.back_titles, std::vector<std::string>{"songs"});
  EXPECT_EQ(visit.back_record, ScoreRecord{});
  // That jukebox opened and the cursor moved to the chart: the record shown
  // is the one on disk, and only the chart is marked cleared.
  ASSERT_TRUE(visit.reached);
  test::SaveScreenshot(visit.picture, "songselect_after_play_" + tag + ".png");
  EXPECT_EQ(g.app.GameState, Screen::SongList);
  EXPECT_EQ(g.screens.JukeboxName, "songs.kbl");
  EXPECT_EQ(g.library.SongList.size(), 3u);
  const int cursor = g.app.ListCursor;
  ASSERT_TRUE(cursor >= 0 && cursor < static_cast<int>(g.library.SongList.size()));
  EXPECT_TRUE(fs::equivalent(g.library.SongList[cursor].FilePath, run.chart_path));
  EXPECT_EQ(g.screens.Record, onDisk);
  for (int i = 0; i < static_cast<int>(g.library.SongMarks.size()); ++i)
    EXPECT_EQ(g.library.SongMarks[i], i == cursor) << i;
  // Drawn: the "1st " entry in the information panel, the play count, and the
  // chart's row of the list in the cleared colour, the other rows not.
  const Rect panel{0, 24, 300, 456}, rows{304, 24, 640, 410};
  const DrawnText* first = FindText(visit.texts, "1st ", panel);
  ASSERT_NE(first, nullptr);
  char figures[64];
  std::snprintf(figures, sizeof figures, "1st KORVEX  %.0f  CLEAR", static_cast<double>(onDisk.Ranking[0].Score));
  EXPECT_EQ(first->text, figures);
  EXPECT_GT(CountColour(visit.picture, first->rect, 0xFFFFFF), 20);
  EXPECT_NE(FindText(visit.texts, "PLAY COUNT 1", panel), nullptr);
  for (int i = 0; i < static_cast<int>(g.library.SongList.size()); ++i) {
    const std::vector<DrawnText> shown = TextsEqualTo(visit.texts, g.library.SongList[i].Title, rows);
    ASSERT_FALSE(shown.empty()) << i;
    for (const DrawnText& row : shown) {
      EXPECT_EQ(row.rgb == kClearedTextColor, i == cursor) << row.text;
      EXPECT_EQ(CountColour(visit.picture, row.rect, kClearedTextColor) > 20, i == cursor) << row.text;
    }
  }

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
  // The ranking screen: "KORVEX" in the skin's font on the first row, in the name column.
  ASSERT_TRUE(ranking_taken);
  const int name_x = RankingColumnsFor(g).name;
  for (size_t i = 0; i < name.size(); ++i)
    EXPECT_GT(Shows(ranking, skin, name_x + static_cast<int>(i) * g.display.CharWidth, RankingRowTop(0),
                    g.display.GlyphRects[name[i] - 32]),
              0.9)
        << name[i];
  // No two texts of the ranking screen overlap, but for the pulsing "<<<"
  // that spreads towards "ENTER YOUR NAME"; the two speed columns included.
  int speeds = 0;
  for (size_t i = 0; i < ranking_texts.size(); ++i) {
    const DrawnText& a = ranking_texts[i];
    speeds += a.text == "0.0x";
    for (size_t j = i + 1; j < ranking_texts.size(); ++j) {
      const DrawnText& b = ranking_texts[j];
      if (a.text == "<<<" || b.text == "<<<") continue;
      const bool overlap = a.rect.left < b.rect.right && b.rect.left < a.rect.right && a.rect.top < b.rect.bottom &&
                           b.rect.top < a.rect.bottom;
      EXPECT_FALSE(overlap) << "\"" << a.text << "\" at " << a.rect.left << "," << a.rect.top << " and \"" << b.text
                            << "\" at " << b.rect.left << "," << b.rect.top;
    }
  }
  EXPECT_EQ(speeds, 18);  // the nine empty places, both speeds
  // "YOU RANKED IN 1st !" at (10, 30): its "Y".
  EXPECT_GT(Shows(ranking, skin, 10, 30, g.display.GlyphRects['Y' - 32]), 0.9);
}

TEST(WholeRanking, ScriptedPlayRanksTheTypedNameIsStoredAndSongSelectShowsIt) {
  // Under an X server when there is one (the pictures of a real window), else
  // on the dummy display.
  if (!test::RunOnXServer([] { PlayRankAndTypeName("xvfb"); })) PlayRankAndTypeName("dummy");
}

}  // namespace
}  // namespace kvx
