// Timing under the modern rules: a play's length is limited as a whole (no
// tempo is changed to fit), judgement windows are times whatever the tempo,
// and trailing measure-length lines do not lengthen the play. Figures are
// worked out by hand in the comments.
#include <string>
#include <vector>

#include "chart/chart_fixture.h"
#include "chart/chart_read.h"
#include "play/judge.h"
#include "play/play_loop.h"

namespace kvx::test {
namespace {

struct ChartTiming : ChartFixture {
  ChartTiming() { g.settings.ModernCharts = true; }
};

// #BPM01 0.2441406 for one unit (position 192 to 193), then 120 again, and a
// note at measure 49: measure 0 is 2000 ms, the unit 1250 / 0.2441406 =
// 5120.0008 ms, the other 9600 - 193 units to the closing bar line
// 9407 x 1250 / 120 = 97989.583 ms: 105109.58, rounded 105110. (Raising the
// slow tempo to 9600 x 1250 / 43,200,000 = 0.2778 BPM would give 104490.)
// A chart of 133 hours (#BPM 0.001, 384 units: 480,000,000 ms) is refused.
TEST_F(ChartTiming, OnlyARealLengthOverADayIsRefused) {
  std::string measure1 = "#00108:0102";
  for (int i = 2; i < 192; ++i) measure1 += "00";
  ASSERT_EQ(Load(Body({"#BPM 120", "#BPM01 0.2441406", "#BPM02 120", measure1, "#04911:01"})), 1);
  EXPECT_EQ(g.chart.LengthMs, 105110);
  EXPECT_TRUE(g.chart.Refused.empty());

  EXPECT_EQ(Load(Body({"#BPM 0.001", "#00111:01"})), 0);
  EXPECT_EQ(g.chart.Refused, "refused: the play would last 133.3 hours (more than 24)");
  EXPECT_TRUE(LogHas("refused: the play would last 133.3 hours (more than 24)"));
  // The classic rules play it as it is.
  g.settings.ModernCharts = false;
  EXPECT_EQ(Load(Body({"#BPM 0.001", "#00111:01"})), 1);
}

// Rank 2's windows are 3, 6, 18 and 24 units at 120 BPM: 31.25, 62.5, 187.5
// and 250 ms. At 20,000 BPM a unit lasts 0.0625 ms: a press 20 ms late is
// 320 units late, 1.92 judgement units: FGREAT; 100 ms late (1600 units,
// 9.6): GOOD; 240 ms (3840 units, 23.04): BAD. The classic rules compare the
// 320 units with the windows: POOR.
TEST_F(ChartTiming, JudgementWindowsAreMillisecondsAtAnyTempo) {
  ASSERT_EQ(Load(Body({"#BPM 20000", "#00111:01010101", "#00211:01"})), 1);
  ResetPlayState(g);
  SeekChart(g, 0, false);
  const auto notes = [&] {
    std::vector<int> out;
    for (int i = 0; i < g.chart.ObjectCount; ++i)
      if (g.chart.Objects[i].Channel == 11) out.push_back(i);
    return out;
  }();
  ASSERT_EQ(notes.size(), 5u);
  EXPECT_DOUBLE_EQ(JudgeUnitScale(g), 20000.0 / 120.0);
  auto judgeLate = [&](int index, double ms) {
    g.play.PlayPosition = g.chart.Objects[index].Position + ms * 20000.0 / 1250.0;
    Judge(g, index, 0.0f);
  };
  const PlayerScore& ps = g.judge.Player[0];
  judgeLate(notes[0], 20);
  EXPECT_EQ(ps.CountFGreat, 1);
  judgeLate(notes[1], 100);
  EXPECT_EQ(ps.CountGood, 1);
  judgeLate(notes[2], 240);
  EXPECT_EQ(ps.CountBad, 1);
  // A press ten seconds late costs no more than a miss, and J-PTS stays >= 0:
  // 18 - 1.92 + 18 - 9.6 + 2 (18 - 23.04) = 14.4, then 2 (18 - 48) = -60.
  judgeLate(notes[3], 10000);
  EXPECT_EQ(ps.CountPoor, 1);
  EXPECT_FLOAT_EQ(ps.JPoints, 0.0f);

  g.settings.ModernCharts = false;
  ASSERT_EQ(Load(Body({"#BPM 20000", "#00111:01", "#00211:01"})), 1);
  ResetPlayState(g);
  SeekChart(g, 0, false);
  EXPECT_DOUBLE_EQ(JudgeUnitScale(g), 1.0);
  const int first = [&] {
    for (int i = 0; i < g.chart.ObjectCount; ++i)
      if (g.chart.Objects[i].Channel == 11) return i;
    return -1;
  }();
  g.play.PlayPosition = g.chart.Objects[first].Position + 320;
  Judge(g, first, 0.0f);
  EXPECT_EQ(g.judge.Player[0].CountPoor, 1);
}

// Measure-length lines up to measure 20 after the last note (measure 1):
// under the modern rules the play ends with measure 1 (384 units at 120 BPM:
// 4000 ms); the classic rules run to the end of measure 20, with measure 5
// 0.75 and measure 20 0.5 long: 19 x 192 + 144 + 96 = 3888 units, 40500 ms.
TEST_F(ChartTiming, TrailingMeasureLengthsDoNotLengthenThePlay) {
  const std::string chart = Body({"#BPM 120", "#00111:01", "#00502:0.75", "#02002:0.5", "#01905:01"});
  ASSERT_EQ(Load(chart), 1);
  EXPECT_EQ(g.chart.LastMeasure, 1);
  EXPECT_EQ(g.chart.LengthMs, 4000);
  g.settings.ModernCharts = false;
  ASSERT_EQ(Load(chart), 1);
  EXPECT_EQ(g.chart.LastMeasure, 20);
  EXPECT_EQ(g.chart.LengthMs, 40500);
}

// Each note keeps its exact place in its measure.
TEST_F(ChartTiming, NoteTimesAreExact) {
  // Measure 1 is 16.25 long; the note is the 4th of 7 places: 192 + 3/7 x
  // 192 x 16.25 = 1529.142857 units, x 1250 / 120 = 15928.5714 ms. (On the
  // 1/192 grid it would sit at 192 + 82 x 16.25 = 1524.5: 47.6 ms early.)
  ASSERT_EQ(Load(Body({"#BPM 120", "#00102:16.25", "#00111:00000001000000"})), 1);
  auto first = [&](int channel) {
    for (int i = 0; i < g.chart.ObjectCount; ++i)
      if (g.chart.Objects[i].Channel == channel) return i;
    return -1;
  };
  EXPECT_NEAR(ObjectTimeMs(g.chart, first(11)), 15928.5714, 0.001);
  EXPECT_EQ(g.chart.Objects[first(11)].Position, 1529);

  // A 4x measure of 768 places: place 767 is 192 + 767 = 959, one unit
  // before the next measure's first note at 960 (the grid put both at 960).
  std::string last = "#00111:";
  for (int i = 0; i < 767; ++i) last += "00";
  last += "01";
  ASSERT_EQ(Load(Body({"#BPM 120", "#00102:4", last, "#00211:01"})), 1);
  const std::vector<ChartObject> notes = OnChannel(11);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].Position, 959);
  EXPECT_EQ(notes[1].Position, 960);

  // A stop of 96 units at place 767 stays before the change to 240 BPM at
  // 960, so it lasts 96 x 1250 / 120 = 1000 ms: 960 units at 120 (10000 ms),
  // the stop, 192 units at 240 (1000 ms): 12000. (Moved onto the change it
  // would last 500 ms.)
  std::string stop = "#00109:";
  for (int i = 0; i < 767; ++i) stop += "00";
  stop += "01";
  ASSERT_EQ(Load(Body({"#BPM 120", "#STOP01 96", "#BPM01 240", "#00102:4", stop, "#00208:01", "#00211:01"})), 1);
  EXPECT_EQ(g.chart.LengthMs, 12000);
  EXPECT_NEAR(ObjectTimeMs(g.chart, first(11)), 11000.0, 1e-6);
}

// The play takes a tempo change at its own position whatever the frame rate:
// 120 BPM to 240 at 192 (2000 ms), the note at 384 comes at 3000 ms. With
// frames 17 ms apart the change is found at 2006 ms; taken there, the clock
// would reach 384 three milliseconds late.
TEST_F(ChartTiming, TempoChangesDoNotWaitForTheFrame) {
  ASSERT_EQ(Load(Body({"#BPM 120", "#BPM01 240", "#00108:01", "#00211:01"})), 1);
  g.chart.BackgroundPreview = true;  // nothing drawn
  ResetPlayState(g);
  SeekChart(g, 0, false);
  const uint32_t start = g.play.PlayStartTime;
  while (g.play.ElapsedMs < 2990) {
    clock->Advance(17);
    UpdateFrame(g);
  }
  EXPECT_NEAR(PlayPositionAt(g, start + 3000), 384.0, 1e-6);
  EXPECT_FLOAT_EQ(g.play.EffectiveBPM, 240.0f);
}

}  // namespace
}  // namespace kvx::test
