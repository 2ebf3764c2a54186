// Whole-program plays on the dummy display and the null sound device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "play/chart_load.h"
#include "screens/jukebox_list.h"
#include "whole_program_fixture.h"

namespace kvx {
namespace {

using test::ScancodeOfLane;
using test::WholeProgram;

TEST(WholePlay, DemoModePlaysEveryNoteFGreat) {
  WholeProgram run("sunrise_parade", "sunrise_beginner.bms", 4);
  run.g.options.autoplay = true;
  EXPECT_EQ(run.Run(nullptr), 0);
  ASSERT_TRUE(run.result_seen);
  EXPECT_TRUE(run.left_result);
  const int notes = run.g.chart.NoteCount[0];
  ASSERT_GT(notes, 100);
  const ResultFigures& r = run.g.judge.Result[0];
  EXPECT_EQ(r.CountFGreat, notes);
  EXPECT_EQ(r.CountGreat + r.CountGood + r.CountBad + r.CountPoor, 0);
  EXPECT_NEAR(r.Score, 200000.0, 1e-6);
  EXPECT_EQ(r.ExPts, 2 * notes);
  EXPECT_FLOAT_EQ(r.JPoints, 18.0f * notes);
  EXPECT_EQ(r.MaxCombo, notes);
  EXPECT_EQ(r.Class, 0);  // SS
  EXPECT_TRUE(r.Cleared);
  const std::string log = run.folder.Read("_kvxfiles/debug.txt");
  EXPECT_NE(log.find("[Result] SCORE: 200000 ExPTS: " + std::to_string(2 * notes)), std::string::npos);
  // --autoplay is for this run only: the saved settings keep demo mode off.
  EXPECT_NE(run.folder.Read("_kvxfiles/kvx_conf.ini").find("DEMOMode=False"), std::string::npos);
}

// Demo play does not depend on the frame rate: at 20 frames a second (50 ms
// frames, as under --max-fps 20) every automatic hit is still judged at its
// note's own time.
TEST(WholePlay, DemoModeAtTwentyFramesASecondIsStillAllFGreat) {
  WholeProgram run("sunrise_parade", "sunrise_beginner.bms", 50);
  run.g.options.autoplay = true;
  run.g.options.max_fps = 20;
  EXPECT_EQ(run.Run(nullptr), 0);
  ASSERT_TRUE(run.result_seen);
  const ResultFigures& r = run.g.judge.Result[0];
  EXPECT_EQ(run.g.chart.NoteCount[0], 142);
  EXPECT_EQ(r.CountFGreat, 142);
  EXPECT_EQ(r.MaxCombo, 142);
  EXPECT_NEAR(r.Score, 200000.0, 1e-6);
}

// Nothing pressed: every one of the 142 notes is missed, none is lost.
TEST(WholePlay, UnpressedNotesAreAllMissed) {
  WholeProgram run("sunrise_parade", "sunrise_beginner.bms", 16);
  EXPECT_EQ(run.Run(nullptr), 0);
  ASSERT_TRUE(run.result_seen);
  const ResultFigures& r = run.g.judge.Result[0];
  EXPECT_EQ(run.g.chart.NoteCount[0], 142);
  EXPECT_EQ(r.CountPoor, 142);
  EXPECT_EQ(r.CountFGreat + r.CountGreat + r.CountGood + r.CountBad, 0);
  EXPECT_EQ(run.g.judge.JPointsMax, 142 * 18);
  // Each miss costs 60 J-PTS, but under the modern rules (a new settings
  // file) J-PTS never goes below 0.
  EXPECT_FLOAT_EQ(r.JPoints, 0.0f);
}

// -S: the chart on the command line plays to its end, then the program ends
// by itself (without reaching the song list again).
TEST(WholePlay, PlayStopOptionPlaysTheChartAndEnds) {
  WholeProgram run("sunrise_parade", "sunrise_beginner.bms", 16);
  run.g.app.command_line = "-S " + run.g.app.command_line;
  run.g.options.autoplay = true;
  EXPECT_EQ(run.Run(nullptr), 0);
  ASSERT_TRUE(run.result_seen);
  EXPECT_FALSE(run.left_result);  // ended without the test closing the window
  EXPECT_TRUE(run.g.play.ReachedEnd);
  EXPECT_EQ(run.g.judge.JPointsMax, 142 * 18);  // every note hit (16 ms frames: FGREAT or GREAT)
  EXPECT_EQ(run.g.judge.Result[0].CountPoor + run.g.judge.Result[0].CountBad, 0);
  EXPECT_FALSE(run.g.app.PlayStop);  // the chart's start cleared it
  EXPECT_NE(run.folder.Read("_kvxfiles/debug.txt").find("[ExitApp]"), std::string::npos);
}

// A chart dropped on the song list (found in the search folder, opened from
// the jukebox list) plays at once.
TEST(WholePlay, DroppedChartPlaysFromTheSongList) {
  WholeProgram run("pixel_comet", "comet_light5.bms", 8);
  run.g.app.command_line.clear();
  run.g.options.autoplay = true;
  size_t listed = 0;
  bool opened = false, dropped = false;
  EXPECT_EQ(run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
              if (!opened && w.g.app.GameState == Screen::JukeboxList) {
                events.push_back(w.Key(SDL_SCANCODE_RETURN, true, w.Now()));
                events.push_back(w.Key(SDL_SCANCODE_RETURN, false, w.Now()));
                opened = true;
              }
              if (dropped || w.g.app.GameState != Screen::SongList) return;
              listed = w.g.library.SongList.size();
              PlatformEvent e;
              e.kind = PlatformEvent::Kind::DropFile;
              e.text = w.chart_path;
              events.push_back(e);
              dropped = true;
            }),
            0);
  EXPECT_EQ(listed, 3u);  // the three charts of the song folder
  ASSERT_TRUE(run.result_seen);
  EXPECT_EQ(run.g.judge.Result[0].CountFGreat, run.g.chart.NoteCount[0]);
  EXPECT_NE(run.folder.Read("_kvxfiles/debug.txt").find("[BMSLoad] comet_light5.bms"), std::string::npos);
}

// A rank-2 chart (windows 3, 6, 18, 24) played with chosen timing. Three notes
// with no other note of their lane near them are the targets: late by 2 units
// (FGREAT), late by 3.3 (GREAT), 24.2 early (a too-early POOR that leaves the
// note in play) and then not at all (a missed POOR). Every other note before
// the play is left is pressed on time. Event times are whole milliseconds
// rounded up, so each offset is the planned one plus less than 0.11 units.
// (The units here are judgement units: see below.)
TEST(WholePlay, ScriptedPressesAreJudgedAtTheirEventTimes) {
  const std::string chart = std::string(KVX_BUILD_DIR) + "/songs/sunrise_parade/sunrise_hyper.bme";
  std::vector<test::LaneNote> notes;
  ASSERT_NO_FATAL_FAILURE(test::ReadLaneNotes(chart, &notes));
  struct Press {
    int channel;
    double position;
    double offset = 0;
    bool target = false;
    bool sent = false;
  };
  std::vector<Press> plan;
  for (const test::LaneNote& n : notes) plan.push_back({n.channel, n.position});
  auto alone = [&](size_t k) {
    for (size_t j = 0; j < plan.size(); ++j)
      if (j != k && plan[j].channel == plan[k].channel && std::abs(plan[j].position - plan[k].position) < 80)
        return false;
    return true;
  };
  // Under the modern rules (a new settings file) the windows are times: a
  // judgement unit is a position unit at 120 BPM, so at the chart's 128 BPM
  // an offset of j judgement units is j x 128 / 120 position units.
  const double units = 128.0 / 120.0;
  const double offsets[] = {2.0 * units, 3.3 * units, -24.2 * units};
  size_t targets = 0, last_target = 0;
  for (size_t k = 0; k < plan.size() && targets < 3; ++k) {
    if (!alone(k)) continue;
    plan[k].target = true;
    plan[k].offset = offsets[targets++];
    last_target = k;
  }
  ASSERT_EQ(targets, 3u);
  const double quit_position = plan[last_target].position + 48 + 20;
  plan.erase(std::remove_if(plan.begin(), plan.end(),
                            [&](const Press& p) { return !p.target && p.position > quit_position + 100; }),
             plan.end());
  bool esc_sent = false;

  WholeProgram run("sunrise_parade", "sunrise_hyper.bme", 7);  // 7 ms frames: events fall between them
  const int rc = run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
    if (w.g.app.GameState != Screen::Play) return;
    for (Press& p : plan) {
      if (p.sent) continue;
      const uint32_t at = w.TimeOfPosition(p.position + p.offset) + 1;
      if (at > w.Now()) continue;
      p.sent = true;
      events.push_back(w.Key(ScancodeOfLane(p.channel), true, at));
      events.push_back(w.Key(ScancodeOfLane(p.channel), false, at + 1));
    }
    const uint32_t esc_at = w.TimeOfPosition(quit_position);
    if (!esc_sent && esc_at <= w.Now()) {
      esc_sent = true;
      events.push_back(w.Key(SDL_SCANCODE_ESCAPE, true, esc_at));  // held: leaves after 500 ms
    }
  });
  EXPECT_EQ(rc, 0);
  ASSERT_TRUE(run.result_seen);
  int on_time = 0;
  for (const Press& p : plan) on_time += p.sent && !p.target;
  const ResultFigures& r = run.g.judge.Result[0];
  EXPECT_EQ(r.CountFGreat, 1 + on_time);
  EXPECT_EQ(r.CountGreat, 1);
  EXPECT_EQ(r.CountGood, 0);
  EXPECT_EQ(r.CountBad, 0);
  EXPECT_EQ(r.CountPoor, 2);  // the too-early press and the miss of the same note
  EXPECT_EQ(run.g.judge.JPointsMax, (4 + on_time) * 18);
  // J-PTS: 18 - 2, 18 - 3.3, 2 x (18 - 24.2) for the early press, -60 for the miss,
  // and 18 for each press on time (less than 0.11 each for the rounding).
  const double expected = 16 + 14.7 + 2 * (18 - 24.2) - 60 + 18 * on_time;
  EXPECT_NEAR(r.JPoints, expected, 0.11 * (3 + on_time));
  EXPECT_LE(r.JPoints, expected + 0.25);
  // Gauge: 22, an increment per FGREAT and GREAT, -3 for the early press, -6 for the miss.
  const float increment = run.g.chart.GaugeIncrement[0];
  EXPECT_NEAR(increment, 374.0f / run.g.chart.NoteCount[0], 1e-4);
  EXPECT_NEAR(run.g.judge.Player[0].Gauge, std::min(100.0f, 22 + (2 + on_time) * increment) - 3 - 6, 1e-3);
  EXPECT_FALSE(run.g.play.ReachedEnd);
}

}  // namespace
}  // namespace kvx
