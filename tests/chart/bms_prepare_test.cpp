#include <algorithm>
#include <map>
#include <random>

#include "chart/chart_fixture.h"

namespace kvx::test {
namespace {

using Prepare = ChartFixture;

TEST_F(Prepare, OneNoteChartTimelineLengthAndInfoBlock) {
  ASSERT_EQ(Load(Body({"#00111:01"})), 1);
  ASSERT_EQ(g.chart.ObjectCount, 4);
  auto bars = OnChannel(-1);
  ASSERT_EQ(bars.size(), 3u);
  EXPECT_EQ(bars[0].Position, 0);
  EXPECT_EQ(bars[1].Position, 192);
  EXPECT_EQ(bars[2].Position, 384);
  EXPECT_EQ(OnChannel(11).at(0).Position, 192);
  EXPECT_EQ(g.chart.LengthMs, 4000);
  EXPECT_EQ(g.chart.BmsId, 1 * 4 + 3 * 120 + 4000);
  EXPECT_FLOAT_EQ(g.chart.GaugeSampleInterval, 4000.0f / 300);
  EXPECT_FLOAT_EQ(g.play.GaugeSampleInterval, 4000.0f / 300);
  EXPECT_EQ(g.chart.JudgeWindow, (std::array<int32_t, 4>{3, 6, 18, 24}));
  EXPECT_DOUBLE_EQ(g.chart.ScoreUnit[0], 100000.0);
  EXPECT_EQ(g.chart.PlaySides, 1);
  EXPECT_DOUBLE_EQ(g.play.PositionRate, 120.0 / 1250);
  EXPECT_EQ(g.chart.WindowCaption, "[]  /  - Korvex v0.25c beta");
  for (int m = 0; m <= 2; ++m) EXPECT_FLOAT_EQ(g.chart.MeasureLength[m], 1.0f);

  std::string log = Log();
  for (const char* line : {"[BMSLoad] a.bms", "[BMSInit] Initializing values", "[BMSPrepare] minimum: False",
                           "adding separator... (1)", "sorting objects...", "recaliculating objects position...",
                           "[GetBMSLength] BPM:120", "LastOBJPos=384", "BMSInfo --------", "* BMS-ID: 4364",
                           "* 4objects, 1measures", "* TotalNotes 1:1 2:0", "* length 4000ms, 384pixels",
                           "complete.", "loaded."})
    EXPECT_NE(log.find(line), std::string::npos) << line;
  EXPECT_EQ(g.log.Level(), 0);
}

TEST_F(Prepare, MeasureLengthsShiftLaterMeasures) {
  ASSERT_EQ(Load(Body({"#00102:0.5", "#00211:0001", "#00111:0001"})), 1);
  auto notes = OnChannel(11);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].Position, 192 + 48);       // half of offset 96 in the half measure
  EXPECT_EQ(notes[1].Position, 192 + 96 + 96);  // 384
  EXPECT_EQ(OnChannel(-1).back().Position, 192 + 96 + 192);
}

TEST_F(Prepare, TempoChangesAndLength) {
  ASSERT_EQ(Load(Body({"#00103:F0", "#00011:01"})), 1);  // 240 BPM from position 192
  EXPECT_EQ(OnChannel(3).at(0).Position, 192);
  EXPECT_EQ(OnChannel(-1).back().Position, 384);
  EXPECT_EQ(g.chart.LengthMs, 3000);
  EXPECT_TRUE(LogHas("(192) BPM -> 120"));
  // A tempo of 0 gives no length instead of a division by zero.
  ASSERT_EQ(Load(Body({"#BPM 0", "#00111:01"}), "z.bms"), 1);
  EXPECT_EQ(g.chart.LengthMs, 0);
}

TEST_F(Prepare, JudgeWindowsFollowTheRank) {
  ASSERT_EQ(Load(Body({"#RANK 0"})), 1);
  EXPECT_EQ(g.chart.JudgeWindow, (std::array<int32_t, 4>{1, 2, 6, 8}));
  ASSERT_EQ(Load(Body({"#RANK 3"})), 1);
  EXPECT_EQ(g.chart.JudgeWindow, (std::array<int32_t, 4>{4, 8, 24, 32}));
  ASSERT_EQ(Load(Body({"#RANK 5"})), 1);  // outside the table: kept
  EXPECT_EQ(g.chart.JudgeWindow, (std::array<int32_t, 4>{4, 8, 24, 32}));
}

TEST_F(Prepare, DoublePlayChartSharesSlotZero) {
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += "01";
  ASSERT_EQ(Load(Body({"#PLAYER 3", "#00111:" + hundred, "#00211:" + hundred, "#00311:" + hundred,
                       "#00121:" + hundred, "#00221:" + hundred})),
            1);
  EXPECT_EQ(g.chart.NoteCount[0], 500);
  EXPECT_EQ(g.chart.NoteCount[1], 200);
  EXPECT_EQ(g.chart.SideSlot, (std::array<int32_t, 2>{0, 0}));
  EXPECT_EQ(g.chart.PlaySides, 2);
  EXPECT_EQ(g.chart.LengthMs, 8000);
  EXPECT_EQ(g.chart.BmsId, 700 * 4 + 3 * 120 + 8000);
  EXPECT_FLOAT_EQ(g.chart.GaugeIncrement[0], 100.0f / 500);
  EXPECT_FLOAT_EQ(g.chart.GaugeIncrement[1], 100.0f / 200);
  EXPECT_TRUE(LogHas("* TotalNotes 1:500 2:200"));
  // Fixed gauge and course mode constants.
  g.play.FixedGaugeMode = true;
  g.chart.CourseMode = true;
  BMSPrepare(g);
  EXPECT_FLOAT_EQ(g.chart.GaugeIncrement[0], 0.05f);
  EXPECT_DOUBLE_EQ(g.chart.ScoreUnit[1], 1.0);
}

TEST_F(Prepare, KeySoundListMarksSoundChangesHalfway) {
  ASSERT_EQ(Load(Body({"#00111:0101", "#00112:01020102"})), 1);
  std::vector<KeySoundEntry> lane11, lane12;
  for (const auto& k : g.chart.KeySoundList) (k.Channel == 11 ? lane11 : lane12).push_back(k);
  ASSERT_EQ(lane11.size(), 1u);  // same sound twice: one record
  EXPECT_EQ(lane11[0].Position, 96);
  EXPECT_EQ(lane11[0].Value, 1);
  ASSERT_EQ(lane12.size(), 4u);  // notes at 192, 240, 288, 336
  EXPECT_EQ(lane12[0].Position, 96);
  EXPECT_EQ(lane12[1].Position, 216);
  EXPECT_EQ(lane12[1].Value, 2);
  EXPECT_EQ(lane12[2].Position, 264);
  EXPECT_EQ(lane12[2].Value, 1);
  EXPECT_EQ(lane12[3].Position, 312);
  EXPECT_EQ(g.chart.KeySoundCount, 5);
}

TEST_F(Prepare, SortOrdersAnyTableByPosition) {
  std::mt19937 rng(7);
  for (int count : {0, 1, 2, 3, 17, 1000, 65536}) {
    g.chart.ObjectCount = count;
    std::multiset<int32_t> before;
    for (int i = 0; i < count; ++i) {
      int32_t pos = static_cast<int32_t>(rng() % (count < 100 ? 5 : 20000));  // many duplicates
      g.chart.Objects[i] = ChartObject{i, pos, 0, 11, i & 255, 0};
      before.insert(pos);
    }
    SortObjects(g);
    std::multiset<int32_t> after;
    for (int i = 0; i < count; ++i) after.insert(g.chart.Objects[i].Position);
    EXPECT_EQ(before, after);
    EXPECT_TRUE(std::is_sorted(g.chart.Objects.begin(), g.chart.Objects.begin() + count,
                               [](const ChartObject& a, const ChartObject& b) { return a.Position < b.Position; }));
  }
  // Already sorted and reversed input.
  g.chart.ObjectCount = 65536;
  for (int i = 0; i < 65536; ++i) g.chart.Objects[i].Position = 65536 - i;
  SortObjects(g);
  EXPECT_EQ(g.chart.Objects[0].Position, 1);
  EXPECT_EQ(g.chart.Objects[65535].Position, 65536);
}

TEST_F(Prepare, SeekByMeasureAndPosition) {
  ASSERT_EQ(Load(Body({"#00103:F0", "#00011:01", "#00211:01"})), 1);
  ASSERT_EQ(g.chart.LastMeasure, 2);
  clock->Set(10000);
  SeekChart(g, 2, false);  // passes the change to 240 at 192
  EXPECT_EQ(g.play.BasePosition, -192);
  EXPECT_FLOAT_EQ(g.play.InitialBPM, 240);
  EXPECT_DOUBLE_EQ(g.play.PositionRate, 240.0 / 1250);
  EXPECT_FLOAT_EQ(g.play.UnitsPerSecond, 192);
  EXPECT_DOUBLE_EQ(g.play.PlayPosition, 384);
  EXPECT_EQ(g.play.PlayStartTime, 10000u - 3000u);
  EXPECT_EQ(g.play.ElapsedMs, 3000);
  ASSERT_GT(g.play.NextObject, 0);
  const ChartObject& next = g.chart.Objects[g.play.NextObject + 1];
  EXPECT_EQ(next.Channel, -1);
  EXPECT_EQ(next.Measure, 2);
  EXPECT_FLOAT_EQ(g.play.DisplayedBPM, 240);

  SeekChart(g, 0, true);
  EXPECT_EQ(g.play.BasePosition, 0);
  EXPECT_EQ(g.play.NextObject, 0);
  EXPECT_EQ(g.play.PlayStartTime, 10000u);
  EXPECT_FLOAT_EQ(g.play.InitialBPM, 120);

  // Out of range: refused, clock unchanged.
  g.play.PlayPosition = 5;
  SeekChart(g, g.chart.LastMeasure + 1, false);
  SeekChart(g, 100000, true);
  SeekChart(g, -1, true);
  EXPECT_DOUBLE_EQ(g.play.PlayPosition, 5);
  std::string log = Log();
  size_t n = 0;
  for (size_t p = log.find("Err: Range over"); p != std::string::npos; p = log.find("Err: Range over", p + 1)) ++n;
  EXPECT_EQ(n, 3u);
}

TEST_F(Prepare, SeekPastANearZeroTempoKeepsTheClockUsable) {
  // A first measure at a millionth of a beat per minute lasts years: the time
  // origin before it is beyond the 32-bit base position and elapsed time.
  ASSERT_EQ(Load(Body({"#BPM 0.000001", "#00103:F0", "#00211:01", "#00311:01"})), 1);
  clock->Set(50000);
  SeekChart(g, 384, true);
  EXPECT_DOUBLE_EQ(g.play.PlayPosition, 384);
  EXPECT_DOUBLE_EQ(g.play.PositionRate, 240.0 / 1250);
  EXPECT_EQ(g.play.BasePosition, 384);
  EXPECT_EQ(g.play.PlayStartTime, 50000u);
  EXPECT_EQ(g.play.ElapsedMs, 0);
  // One second later the clock is a measure further on.
  EXPECT_DOUBLE_EQ((50000 + 1000 - g.play.PlayStartTime) * g.play.PositionRate + g.play.BasePosition, 384 + 192);

  SeekChart(g, 3, false);
  EXPECT_DOUBLE_EQ(g.play.PlayPosition, 576);
  EXPECT_EQ(g.play.BasePosition, 576);

  // So slow that the time to the first measure is not even a 64-bit count.
  ASSERT_EQ(Load(Body({"#BPM 1e-30", "#00111:01", "#00211:01"})), 1);
  EXPECT_EQ(g.chart.LengthMs, 2147483647);
  SeekChart(g, 192, true);
  EXPECT_DOUBLE_EQ(g.play.PlayPosition, 192);
  EXPECT_EQ(g.play.BasePosition, 192);
  EXPECT_EQ(g.play.PlayStartTime, 50000u);
  SeekChart(g, 1, false);
  EXPECT_DOUBLE_EQ(g.play.PlayPosition, 192);
  SeekChart(g, 0, true);  // the start itself is always reachable
  EXPECT_EQ(g.play.BasePosition, 0);
  EXPECT_EQ(g.play.PlayStartTime, 50000u);
}

}  // namespace
}  // namespace kvx::test
