// FAST/SLOW and the offsets histogram over a whole scripted play: presses
// early and late by planned amounts, some notes left to be missed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "play/chart_load.h"
#include "play/judge.h"
#include "play/timing_feedback.h"
#include "whole_program_fixture.h"

namespace kvx {
namespace {

using test::ScancodeOfLane;
using test::WholeProgram;

TEST(WholeTimingFeedback, FastSlowAndHistogramAddUpToTheJudgements) {
  const std::string chart = std::string(KVX_BUILD_DIR) + "/songs/sunrise_parade/sunrise_beginner.bms";
  std::vector<test::LaneNote> notes;
  ASSERT_NO_FATAL_FAILURE(test::ReadLaneNotes(chart, &notes));
  struct Press {
    int channel;
    double position;
    double offset = 0;
    bool skip = false;
    bool sent = false;
  };
  std::vector<Press> plan;
  for (const test::LaneNote& n : notes) plan.push_back({n.channel, n.position});
  ASSERT_EQ(plan.size(), 142u);
  // Notes alone on their lane get offsets of -10..+10 units; every seventh of them is left alone.
  const double offsets[] = {-10.0, -4.0, 4.0, 10.0, -7.0, 7.0};
  int planned_early = 0, planned_late = 0, skipped = 0, k = 0;
  for (size_t i = 0; i < plan.size(); ++i) {
    bool alone = true;
    for (size_t j = 0; j < plan.size(); ++j)
      if (j != i && plan[j].channel == plan[i].channel && std::abs(plan[j].position - plan[i].position) < 60)
        alone = false;
    if (!alone) continue;
    if (++k % 7 == 0) {
      plan[i].skip = true;
      ++skipped;
      continue;
    }
    plan[i].offset = offsets[k % 6];
    (plan[i].offset < 0 ? planned_early : planned_late)++;
  }
  ASSERT_GT(skipped, 3);

  WholeProgram run("sunrise_parade", "sunrise_beginner.bms", 7);
  EXPECT_EQ(run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
              if (w.g.app.GameState != Screen::Play) return;
              for (Press& p : plan) {
                if (p.sent || p.skip) continue;
                const uint32_t at = w.TimeOfPosition(p.position + p.offset) + 1;
                if (at > w.Now()) continue;
                p.sent = true;
                events.push_back(w.Key(ScancodeOfLane(p.channel), true, at));
                events.push_back(w.Key(ScancodeOfLane(p.channel), false, at + 1));
              }
            }),
            0);
  ASSERT_TRUE(run.result_seen);
  EXPECT_TRUE(run.g.settings.TimingFeedback);  // on with a new settings file
  const ResultFigures& r = run.g.judge.Result[0];
  const TimingRecord& t = run.g.judge.Timing[0];
  EXPECT_EQ(JudgedNotes(run.g), 142);
  EXPECT_EQ(t.Misses, skipped);
  EXPECT_EQ(r.CountPoor, skipped);
  // Every judgement other than FGREAT is FAST or SLOW; the misses are SLOW.
  EXPECT_EQ(t.Fast + t.Slow, r.CountGreat + r.CountGood + r.CountBad + r.CountPoor);
  EXPECT_GE(t.Fast, planned_early / 2);
  EXPECT_GE(t.Slow, skipped + planned_late / 2);
  // The histogram holds every press; with the misses it is every judged note.
  const TimingSummary s = SummarizeTiming(t, 30, 150.0f);
  EXPECT_EQ(std::accumulate(s.Bins.begin(), s.Bins.end(), 0) + t.Misses, 142);
  EXPECT_EQ(s.Presses, 142 - skipped);
  // Offsets in ms at the chart's tempo: 10 units early is the earliest press.
  const float ten_units = OffsetInMs(10.0f, run.g.play.PositionRate);
  const auto [low, high] = std::minmax_element(t.OffsetsMs.begin(), t.OffsetsMs.end());
  EXPECT_NEAR(*low, -ten_units, OffsetInMs(0.2f, run.g.play.PositionRate));
  EXPECT_NEAR(*high, ten_units, OffsetInMs(0.2f, run.g.play.PositionRate));
  EXPECT_GT(s.SpreadMs, 0.0f);
}

}  // namespace
}  // namespace kvx
