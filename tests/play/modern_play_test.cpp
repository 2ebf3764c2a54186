// Playing charts read under the modern rules: a stop holds the play clock,
// long notes are judged once with the hold rule, autoplay holds them, and a
// held lane loses gauge to a mine. Rank 2 windows are 3, 6, 18 and 24 units;
// at 120 BPM a unit is 10.4 ms (0.096 units per ms).
#include <cmath>
#include <string>

#include "chart/chart_read.h"
#include "play/chart_load.h"
#include "play/judge.h"
#include "play/long_notes.h"
#include "play_loop_fixture.h"

namespace kvx::test {
namespace {

// A headless play of a chart file read with the modern rules; frames do not draw.
struct ModernPlay : HeadlessPlay {
  explicit ModernPlay(const std::string& body) : HeadlessPlay(5) {
    g.settings.ModernCharts = true;
    g.chart.NoMediaLoads = true;
    const std::string path = folder.Write("songs/m.bms", "\r\n" + body);
    EXPECT_EQ(BMSLoad(g, path), 1);
    ResetPlayState(g);
    g.chart.BackgroundPreview = true;
    SeekChart(g, 0, true);
  }
  // Runs frames until the clock reaches `ms` after the start of the play.
  void RunTo(uint32_t ms) {
    while (g.NowMs() - start < ms) {
      clock().Advance(1);
      g.pump.Pump();
      UpdateFrame(g);
    }
  }
  int32_t Index(int channel, int32_t position) const {
    for (int i = 0; i < g.chart.ObjectCount; ++i)
      if (g.chart.Objects[i].Channel == channel && g.chart.Objects[i].Position == position) return i;
    return -1;
  }
  const PlayerScore& Score() const { return g.judge.Player[0]; }
  uint32_t start = g.NowMs();
};

// #STOP01 96 at 192 (measure 1) at 120 BPM holds the position for 1000 ms:
// the play reaches 192 at 2000 ms, stays there until 3000 ms, and a note at
// 288 is due at 4000 ms instead of 3000.
TEST(ModernPlayClock, StopHoldsThePositionForItsLength) {
  ModernPlay h("#BPM 120\r\n#STOP01 96\r\n#00109:01\r\n#00111:0001\r\n");
  h.start = h.g.play.PlayStartTime;
  h.RunTo(2000);
  EXPECT_DOUBLE_EQ(h.g.play.PlayPosition, 192.0);
  EXPECT_TRUE(h.g.play.StopActive);
  h.RunTo(2600);
  EXPECT_DOUBLE_EQ(h.g.play.PlayPosition, 192.0);
  EXPECT_DOUBLE_EQ(PlayPositionAt(h.g, h.g.NowMs()), 192.0);  // presses during the stop judge at the stop
  // A press from 10 ms before the stop, handled now, keeps its place (191.04).
  EXPECT_NEAR(PlayPositionAt(h.g, h.start + 1990), 191.04, 1e-9);
  h.RunTo(3000);
  EXPECT_DOUBLE_EQ(h.g.play.PlayPosition, 192.0);
  h.RunTo(3500);
  EXPECT_NEAR(h.g.play.PlayPosition, 240.0, 1e-9);
  EXPECT_FALSE(h.g.play.StopActive);
  const int32_t note = h.Index(11, 288);
  ASSERT_GE(note, 0);
  h.RunTo(3999);
  EXPECT_LE(h.g.play.NextObject, note);
  h.RunTo(4000);
  EXPECT_GT(h.g.play.NextObject, note);
  // The tempo shown does not change with a stop.
  EXPECT_FLOAT_EQ(h.g.play.EffectiveBPM, 120.0f);
}

// An extended tempo change of 90.5 BPM at 192: from 2000 ms the position
// advances 90.5 / 1250 units per ms, and the clock shows the tempo.
TEST(ModernPlayClock, ExtendedTempoChangesTheClock) {
  ModernPlay h("#BPM 120\r\n#BPM0A 90.5\r\n#00108:0A\r\n#00211:01\r\n");
  h.start = h.g.play.PlayStartTime;
  h.RunTo(2000);
  EXPECT_FLOAT_EQ(h.g.play.EffectiveBPM, 90.5f);
  EXPECT_FLOAT_EQ(h.g.play.DisplayedBPM, 90.5f);
  h.RunTo(3000);
  EXPECT_NEAR(h.g.play.PlayPosition, 192.0 + 1000 * 90.5 / 1250, 0.5);
}

// The long note of lane 11 runs from 192 to 288 (2000 ms to 3000 ms). It must
// be held until 288 - 18 = 270 units (2812.5 ms).
struct LongNote : ::testing::Test {
  ModernPlay h{"#BPM 120\r\n#00151:0101\r\n#00312:01\r\n"};
  int32_t start = h.Index(11, 192);
  void SetUp() override {
    ASSERT_GE(start, 0);
    ASSERT_EQ(h.g.chart.NoteCount[0], 2);  // the long note and the note of lane 12
    h.start = h.g.play.PlayStartTime;
    h.RunTo(1990);
    h.g.play.LaneCandidate[0] = start;  // chosen while the notes are drawn
  }
};

TEST_F(LongNote, HeldToTheEndKeepsItsJudgement) {
  h.Key(h.start + 2000, 11, true);  // on time
  h.RunTo(2500);
  EXPECT_EQ(h.Score().CountFGreat, 1);
  EXPECT_TRUE(LaneHoldsLongNote(h.g, 0));
  h.RunTo(2813);  // 270.05 units: held long enough
  EXPECT_FALSE(LaneHoldsLongNote(h.g, 0));
  h.Key(h.start + 2900, 11, false);
  h.RunTo(3200);
  const PlayerScore& s = h.Score();
  EXPECT_EQ(s.CountFGreat, 1);
  EXPECT_EQ(s.CountBad + s.CountPoor + s.CountGreat + s.CountGood, 0);
  EXPECT_EQ(s.Combo, 1);
  EXPECT_EQ(h.g.judge.JPointsMax, 18);
  EXPECT_FLOAT_EQ(s.JPoints, 18.0f);
}

// Let go at 2500 ms (240 units, before 270): the FGREAT becomes a BAD at the
// BAD window's edge (offset 18: J-PTS 2 x (18 - 18) = 0), the combo breaks, the
// note still counts once. Gauge: 22 + 50 (the total 100 over two notes) = 72,
// then the 50 taken back and 1 for the BAD: 21.
TEST_F(LongNote, ReleasedEarlyIsABad) {
  h.Key(h.start + 2000, 11, true);
  h.Key(h.start + 2500, 11, false);
  h.RunTo(2600);
  const PlayerScore& s = h.Score();
  EXPECT_EQ(s.CountFGreat, 0);
  EXPECT_EQ(s.CountBad, 1);
  EXPECT_EQ(s.Combo, 0);
  EXPECT_EQ(s.MaxCombo, 1);
  EXPECT_EQ(h.g.judge.JPointsMax, 18);
  EXPECT_FLOAT_EQ(s.JPoints, 0.0f);
  EXPECT_NEAR(s.Score, 0.0, 1e-9);
  EXPECT_NEAR(s.Gauge, 21.0f, 1e-4);
  EXPECT_EQ(s.LastJudgement, kJudgeBad);
  EXPECT_FALSE(LaneHoldsLongNote(h.g, 0));
}

// Never pressed: the start is missed one beat after it (240 units, 2500 ms)
// like any note, a POOR; nothing is held.
TEST_F(LongNote, NeverPressedIsAPoor) {
  h.RunTo(2500);
  DetectMiss(h.g, 0);  // what the play screen runs per lane
  const PlayerScore& s = h.Score();
  EXPECT_EQ(s.CountPoor, 1);
  EXPECT_EQ(s.CountFGreat + s.CountBad, 0);
  EXPECT_EQ(h.g.judge.JPointsMax, 18);
  EXPECT_FALSE(LaneHoldsLongNote(h.g, 0));
  h.RunTo(3200);
  EXPECT_EQ(h.g.judge.JPointsMax, 18);  // the end is no judgement of its own
}

// Demo mode hits the start and holds the lane until the end passes.
TEST_F(LongNote, AutoplayHoldsItToTheEnd) {
  h.g.settings.DEMOMode = true;
  h.RunTo(2000);
  EXPECT_EQ(h.Score().CountFGreat, 1);
  EXPECT_TRUE(LaneHoldsLongNote(h.g, 0));
  h.RunTo(2990);
  EXPECT_TRUE(LaneHoldsLongNote(h.g, 0));
  h.RunTo(3000);
  EXPECT_FALSE(LaneHoldsLongNote(h.g, 0));
  h.RunTo(6000);
  EXPECT_EQ(h.Score().CountFGreat, 2);  // and the note of lane 12
  EXPECT_EQ(h.Score().CountBad + h.Score().CountPoor, 0);
}

// A mine of value ZZ (1295: 647.5 %) crossing the line while its lane is held
// empties the gauge; 0A (10: 5 %) on lane 12 costs 5; a mine on a lane that
// is not held costs nothing.
TEST(Mines, HeldLaneLosesHalfTheValueInPercent) {
  ModernPlay h("#BPM 120\r\n#001D1:ZZ\r\n#001D2:0A\r\n#001D3:ZZ\r\n#00211:01\r\n");
  ASSERT_EQ(h.g.chart.NoteCount[0], 1);
  h.start = h.g.play.PlayStartTime;
  h.Key(h.start + 1900, 12, true);
  h.RunTo(2100);
  EXPECT_NEAR(h.Score().Gauge, 22.0f - 5.0f, 1e-4);
  h.Key(h.start + 2200, 12, false);

  ModernPlay e("#BPM 120\r\n#001D1:ZZ\r\n#00211:01\r\n");
  e.start = e.g.play.PlayStartTime;
  e.Key(e.start + 1900, 11, true);
  e.RunTo(2100);
  EXPECT_FLOAT_EQ(e.Score().Gauge, 0.0f);
  EXPECT_FALSE(e.g.play.Failed);  // normal gauge: the play goes on

  // In fixed-gauge mode emptying the gauge fails the play.
  ModernPlay f("#BPM 120\r\n#001D1:ZZ\r\n#00211:01\r\n");
  f.g.play.FixedGaugeMode = true;
  ResetPlayState(f.g);
  f.start = f.g.play.PlayStartTime;
  f.Key(f.start + 1900, 11, true);
  f.RunTo(2100);
  EXPECT_FLOAT_EQ(f.Score().Gauge, 0.0f);
  EXPECT_TRUE(f.g.play.Failed);
}

}  // namespace
}  // namespace kvx::test
