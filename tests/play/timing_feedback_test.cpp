// FAST/SLOW and the offsets histogram from recorded judgements.
#include "play/timing_feedback.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(TimingFeedback, RecordsFastSlowAndSummarisesPresses) {
  TimingRecord r;
  RecordTiming(r, kJudgeFGreat, false, -4.0f);  // FGREAT: neither
  RecordTiming(r, kJudgeGreat, false, -30.0f);  // FAST
  RecordTiming(r, kJudgeGood, false, 50.0f);    // SLOW
  EXPECT_EQ(r.LastSign, 1);
  RecordTiming(r, kJudgePoor, true, 400.0f);    // a miss: SLOW, not a press
  RecordTiming(r, kJudgePoor, false, -200.0f);  // far too early: FAST, at the edge of the histogram
  EXPECT_EQ(r.Fast, 2);
  EXPECT_EQ(r.Slow, 2);
  EXPECT_EQ(r.Misses, 1);
  EXPECT_EQ(r.LastSign, -1);
  EXPECT_FLOAT_EQ(r.LastOffsetMs, -200.0f);

  const TimingSummary s = SummarizeTiming(r, 10, 100.0f);  // 20 ms bins
  ASSERT_EQ(s.Bins.size(), 10u);
  EXPECT_EQ(s.Presses, 4);
  EXPECT_EQ(s.Bins[0], 1);  // -200 clamped into the first
  EXPECT_EQ(s.Bins[3], 1);  // -30
  EXPECT_EQ(s.Bins[4], 1);  // -4
  EXPECT_EQ(s.Bins[7], 1);  // +50
  EXPECT_FLOAT_EQ(s.MeanMs, -46.0f);
  // Population standard deviation of -4, -30, 50, -200.
  EXPECT_NEAR(s.SpreadMs, 93.4773f, 1e-3);

  EXPECT_FLOAT_EQ(OffsetInMs(48.0f, 0.096), 500.0f);
  EXPECT_FLOAT_EQ(OffsetInMs(48.0f, 0.0), 0.0f);
  const TimingSummary empty = SummarizeTiming(TimingRecord{}, 0, 0.0f);
  EXPECT_EQ(empty.Bins.size(), 1u);
  EXPECT_EQ(empty.SpreadMs, 0.0f);
}

}  // namespace
}  // namespace kvx
