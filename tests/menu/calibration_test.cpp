// The calibration's arithmetic: each tap against the nearest beat, the mean
// and spread of the taps after the practice ones.
#include "menu/calibration.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(Calibration, TapsAgainstTheNearestBeatAndTheirMean) {
  const std::vector<uint32_t> beats = {1000, 1500, 2000};
  EXPECT_EQ(TapOffset(beats, 1030), 30);
  EXPECT_EQ(TapOffset(beats, 1480), -20);
  EXPECT_EQ(TapOffset(beats, 2249), 249);
  EXPECT_FALSE(TapOffset(beats, 2251).has_value()) << "more than half a beat after the last beat";
  EXPECT_FALSE(TapOffset(beats, 740).has_value());
  EXPECT_FALSE(TapOffset({}, 1000).has_value());
  EXPECT_EQ(TapOffset({0xFFFFFFF0u}, 0x20u), 0x30);  // across the clock's wrap

  EXPECT_EQ(SummarizeTaps({}).taps, 0);
  EXPECT_EQ(SummarizeTaps({100, 90}).taps, 0) << "practice taps only";
  // The two practice taps are left out; then 20, 30, 40, 30: mean 30, spread 7.07.
  const CalibrationSummary s = SummarizeTaps({-200, 150, 20, 30, 40, 30});
  EXPECT_EQ(s.taps, 4);
  EXPECT_EQ(s.mean_ms, 30);
  EXPECT_EQ(s.spread_ms, 7);
  EXPECT_EQ(SummarizeTaps({0, 0, -11, -12}).mean_ms, -12);  // -11.5 rounds away from zero
}

}  // namespace
}  // namespace kvx
