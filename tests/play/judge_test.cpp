// Judgement, gauge, scores, combo events, candidates and the result tally.
#include <gtest/gtest.h>

#include <memory>

#include "app/game.h"
#include "play/judge.h"
#include "test_support.h"

namespace kvx {
namespace {

// A game with `notes` side-1 notes every 48 units from position 192, rank 2
// windows and the per-note constants of a normal (not fixed-gauge) chart.
struct JudgeGame {
  test::TempFolder folder;
  Game g;
  ScriptedClock* clock = nullptr;

  explicit JudgeGame(int notes, int total = 200, bool fixed = false) {
    g.SetProgramFolder(folder.path());
    auto c = std::make_unique<ScriptedClock>(1000);
    clock = c.get();
    g.UseClock(std::move(c));
    ChartState& ch = g.chart;
    ch.ObjectCount = notes;
    for (int i = 0; i < notes; ++i) {
      static const int kLanes[] = {11, 12, 13, 14, 15, 18, 19, 16};
      ch.Objects[i] = {0, 192 + 48 * i, 0, kLanes[i % 8], 1, 0};
    }
    ch.NoteCount = {notes, 0};
    ch.JudgeWindow = {3, 6, 18, 24};
    ch.GaugeTotal = total;
    g.play.FixedGaugeMode = fixed;
    ch.GaugeIncrement = {fixed ? 0.05f : float(total) / notes, 0};
    ch.ScoreUnit = {100000.0 / notes, 0};
    ResetPlayState(g);
  }
  PlayerScore& P() { return g.judge.Player[0]; }
  // Judges note i with the play position `late` units after it.
  bool Hit(int i, double late) {
    g.play.PlayPosition = g.chart.Objects[i].Position + late;
    return Judge(g, i, 0.0f);
  }
};

TEST(JudgeTest, PerfectPlayScoresTwoHundredThousandAndClassSS) {
  JudgeGame t(1000);
  EXPECT_FLOAT_EQ(t.P().Gauge, 22.0f);
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(t.Hit(i, 0.0));
  EXPECT_EQ(t.P().CountFGreat, 1000);
  EXPECT_EQ(t.P().CountGreat + t.P().CountGood + t.P().CountBad + t.P().CountPoor, 0);
  EXPECT_EQ(t.P().Combo, 1000);
  EXPECT_EQ(t.P().MaxCombo, 1000);
  EXPECT_FLOAT_EQ(t.P().Gauge, 100.0f);
  EXPECT_EQ(t.P().ComboDigitCount, 3);
  EXPECT_EQ(t.P().ComboDigits[0], 1);
  EXPECT_EQ(t.P().ComboDigits[3], 0);
  EXPECT_TRUE(t.P().ComboMilestone.active);
  EXPECT_EQ(t.P().ComboMilestone.combo, 1000);
  EXPECT_EQ(t.g.judge.JPointsMax, 18000);
  EXPECT_EQ(JudgedNotes(t.g), 1000);
  EXPECT_EQ(t.g.chart.Objects[999].State, 1);
  // The last plot is at the right edge, at the top of the graph.
  ASSERT_EQ(t.g.judge.GraphPlots.size(), 1000u);
  EXPECT_EQ(t.g.judge.GraphPlots.back().x, 300);
  EXPECT_EQ(t.g.judge.GraphPlots.back().y, 0);
  EXPECT_EQ(t.g.judge.GraphPlots.back().cell, 0);

  RunResultTally(t.g);
  const ResultFigures& r = t.g.judge.Result[0];
  EXPECT_DOUBLE_EQ(r.Score, 200000.0);
  EXPECT_EQ(r.ExPts, 2000);
  EXPECT_FLOAT_EQ(r.JPoints, 18000.0f);
  EXPECT_EQ(r.MaxCombo, 1000);
  EXPECT_EQ(r.Class, 0);
  EXPECT_TRUE(r.Cleared);
  EXPECT_EQ(t.g.judge.ResultSound, 13);
  EXPECT_EQ(CountUpFigure(200000, 1000), 100000);
  EXPECT_EQ(CountUpFigure(2000, 2500), 2000);
}

TEST(JudgeTest, WindowsAreStrictAndTooEarlyPressesKeepTheNote) {
  JudgeGame t(10);
  EXPECT_TRUE(t.Hit(0, 2.0));
  EXPECT_EQ(t.P().LastJudgement, kJudgeFGreat);
  EXPECT_FLOAT_EQ(t.P().JPoints, 16.0f);
  EXPECT_TRUE(t.Hit(1, 3.0));
  EXPECT_EQ(t.P().LastJudgement, kJudgeGreat);
  EXPECT_TRUE(t.Hit(2, -6.0));
  EXPECT_EQ(t.P().LastJudgement, kJudgeGood);
  EXPECT_TRUE(t.Hit(3, 18.0));
  EXPECT_EQ(t.P().LastJudgement, kJudgeBad);
  EXPECT_EQ(t.P().Combo, 0);
  EXPECT_TRUE(t.g.judge.PoorImageShown);
  EXPECT_TRUE(t.Hit(4, 1.0));
  EXPECT_FALSE(t.g.judge.PoorImageShown);
  EXPECT_EQ(t.P().Combo, 1);

  // 24 units early: a POOR that costs gauge and keeps the combo and the note.
  const float gauge = t.P().Gauge;
  const float jp = t.P().JPoints;
  EXPECT_FALSE(t.Hit(5, -24.0));
  EXPECT_EQ(t.P().CountPoor, 1);
  EXPECT_EQ(t.P().Combo, 1);
  EXPECT_FLOAT_EQ(t.P().Gauge, gauge - 3.0f);
  EXPECT_FLOAT_EQ(t.P().JPoints, jp - 12.0f);
  EXPECT_EQ(t.g.chart.Objects[5].State, 0);
  // 23.9 early is a BAD and consumes the note.
  EXPECT_TRUE(t.Hit(5, -23.9));
  EXPECT_EQ(t.P().CountBad, 2);
  EXPECT_EQ(t.g.chart.Objects[5].State, 1);
  EXPECT_EQ(t.g.judge.JPointsMax, 7 * 18);
  EXPECT_EQ(t.P().CountFGreat + t.P().CountGreat + t.P().CountGood, 4);
}

TEST(JudgeTest, SteadyTimingTurnsTwoCloseHitsIntoExact) {
  JudgeGame t(4);
  t.Hit(0, 2.3);
  EXPECT_FLOAT_EQ(t.P().JPoints, 18.0f - 2.3f);
  t.Hit(1, 2.8);  // within one unit of the last offset: exact
  EXPECT_EQ(t.P().LastJudgement, kJudgeFGreat);
  EXPECT_NEAR(t.P().JPoints, 18.0f - 2.3f + 18.0f, 1e-4);
  t.Hit(2, 10.0);  // outside the GREAT window: the memory is cleared
  EXPECT_FLOAT_EQ(t.g.judge.LastOffset[0], 0.0f);
  t.Hit(3, 0.5);   // within one unit of 0 again
  EXPECT_NEAR(t.P().JPoints, 18.0f - 2.3f + 18.0f + 8.0f + 18.0f, 1e-4);
}

TEST(JudgeTest, MissedNotesAndTheFixedGauge) {
  JudgeGame t(3);
  t.g.play.PlayPosition = 192 + 10;
  ChooseCandidate(t.g, 0, 100);
  ASSERT_EQ(t.g.play.LaneCandidate[0], 0);
  t.g.play.PlayPosition = 192 + 47.9;
  DetectMiss(t.g, 0);
  EXPECT_EQ(t.g.play.LaneCandidate[0], 0);
  EXPECT_EQ(t.P().CountPoor, 0);
  t.g.play.PlayPosition = 192 + 48;
  DetectMiss(t.g, 0);
  EXPECT_EQ(t.g.play.LaneCandidate[0], -1);
  EXPECT_EQ(t.P().CountPoor, 1);
  EXPECT_FLOAT_EQ(t.P().Gauge, 16.0f);
  EXPECT_FLOAT_EQ(t.P().DisplayedGauge, 0.0f);
  EXPECT_FLOAT_EQ(t.P().JPoints, -60.0f);
  EXPECT_EQ(t.g.chart.Objects[0].State, 1);
  ChooseCandidate(t.g, 0, 100);  // judged notes are never chosen again
  EXPECT_EQ(t.g.play.LaneCandidate[0], -1);
  // The gauge stops at 0 in normal mode and the play goes on.
  t.P().Gauge = 2;
  EXPECT_TRUE(Judge(t.g, 1, 48.0f));
  EXPECT_FLOAT_EQ(t.P().Gauge, 0.0f);
  EXPECT_FALSE(t.g.play.Failed);

  JudgeGame f(3, 200, true);
  EXPECT_FLOAT_EQ(f.P().Gauge, 100.0f);
  EXPECT_TRUE(Judge(f.g, 0, 48.0f));
  EXPECT_FLOAT_EQ(f.P().Gauge, 98.0f);
  EXPECT_FLOAT_EQ(f.P().DisplayedGauge, 78.0f);
  f.Hit(1, 0.0);
  EXPECT_FLOAT_EQ(f.P().Gauge, 98.05f);
  EXPECT_DOUBLE_EQ(f.P().Score, 2 * 100000.0 / 3);
  // Fixed mode: GOOD earns no score; the EX score is the second number.
  f.Hit(2, 10.0);
  EXPECT_DOUBLE_EQ(f.P().Score, 2 * 100000.0 / 3);
  EXPECT_EQ(f.P().ScoreDigits.count, 6);
  EXPECT_EQ(f.P().ScoreDigits.digit[5], 2);
  // Reaching exactly 0 does not fail; going below it does.
  f.g.chart.Objects[0].State = 0;
  f.P().Gauge = 2.0f;
  Judge(f.g, 0, 48.0f);
  EXPECT_FALSE(f.g.play.Failed);
  f.P().Gauge = 1.0f;
  f.clock->Advance(500);
  Judge(f.g, 0, 48.0f);
  EXPECT_TRUE(f.g.play.Failed);
  EXPECT_EQ(f.g.play.FailedTime, 1500u);
  EXPECT_FLOAT_EQ(f.P().Gauge, 0.0f);
}

TEST(JudgeTest, GaugeIncrementsOfANormalChart) {
  JudgeGame t(400, 200);
  t.Hit(0, 0.0);
  EXPECT_FLOAT_EQ(t.P().Gauge, 22.5f);
  t.Hit(1, 4.0);
  EXPECT_FLOAT_EQ(t.P().Gauge, 23.0f);
  t.Hit(2, 10.0);
  EXPECT_NEAR(t.P().Gauge, 23.1667f, 1e-4);
  EXPECT_DOUBLE_EQ(t.P().Score, 500 + 250 + 125);
  for (int i = 3; i < 400; ++i) t.Hit(i, 20.0);  // BADs
  RunResultTally(t.g);
  EXPECT_FALSE(t.g.judge.Result[0].Cleared);
  EXPECT_EQ(t.g.judge.ResultSound, 14);
}

TEST(JudgeTest, ComboBreakAndMilestoneEvents) {
  JudgeGame t(200);
  for (int i = 0; i < 150; ++i) t.Hit(i, 0.0);
  EXPECT_EQ(t.P().ComboMilestone.combo, 100);
  t.clock->Advance(70);
  t.Hit(150, 20.0);  // BAD
  EXPECT_EQ(t.P().Combo, 0);
  EXPECT_EQ(t.P().MaxCombo, 150);
  EXPECT_TRUE(t.P().ComboBreak.active);
  EXPECT_EQ(t.P().ComboBreak.combo, 150);
  EXPECT_EQ(t.P().ComboBreak.time, 1070u);
  EXPECT_EQ(t.P().ComboDigitCount, -1);
  ASSERT_EQ(t.g.judge.GraphLabels.size(), 1u);
  const GraphLabel& l = t.g.judge.GraphLabels[0];
  EXPECT_EQ(l.number, 150);
  EXPECT_EQ(l.x, 151 * 284 / 200);
  EXPECT_EQ(l.y, 190 - 150 * 190 / 200);
  EXPECT_EQ(l.rgb, 0xFF0000u | uint32_t(151 * 255 / 200) << 8);
  EXPECT_EQ(t.g.judge.GraphPlots.back().cell, 3);
  // A short combo breaks without an event.
  t.P().ComboBreak = {};
  for (int i = 151; i < 156; ++i) t.Hit(i, 0.0);
  t.Hit(156, 30.0);
  EXPECT_FALSE(t.P().ComboBreak.active);
  EXPECT_EQ(t.g.judge.GraphLabels.size(), 1u);
}

TEST(JudgeTest, CandidatesAndAutomaticLanes) {
  JudgeGame t(3);
  Game& g = t.g;
  g.play.PlayPosition = 192 - 95;
  ChooseCandidate(g, 0, 0);  // not on screen
  EXPECT_EQ(g.play.LaneCandidate[0], -1);
  g.settings.UserPlay = false;
  ChooseCandidate(g, 0, 10);
  EXPECT_EQ(g.play.LaneCandidate[0], -1);
  g.settings.UserPlay = true;
  g.play.PlayPosition = 192 - 96;  // 96 away: out of reach
  ChooseCandidate(g, 0, 10);
  EXPECT_EQ(g.play.LaneCandidate[0], -1);
  g.play.PlayPosition = 192 - 95;
  ChooseCandidate(g, 0, 10);
  EXPECT_EQ(g.play.LaneCandidate[0], 0);
  g.chart.Objects[1].Channel = 11;
  ChooseCandidate(g, 1, 10);  // the lane already has one
  EXPECT_EQ(g.play.LaneCandidate[0], 0);
  g.chart.Objects[2].Channel = 17;  // pedal notes are never judged
  g.play.PlayPosition = 192 + 96;
  ChooseCandidate(g, 2, 10);
  EXPECT_EQ(g.play.LaneCandidate[6], -1);

  // An automatic lane only shows its bomb.
  g.app.LaneAuto[0] = true;
  g.play.LaneCandidate[0] = -1;
  ChooseCandidate(g, 1, 10);
  EXPECT_EQ(g.play.LaneCandidate[0], -1);
  t.clock->Advance(5);
  EXPECT_FALSE(t.Hit(1, 0.0));
  EXPECT_TRUE(g.judge.BombActive[0]);
  EXPECT_EQ(g.judge.BombTime[0], 1005u);
  EXPECT_EQ(g.judge.JPointsMax, 0);
  EXPECT_EQ(t.P().CountFGreat, 0);
}

// Notes 0, 1, 2 on lane 11 at 192, 216 and 240. A press judges the passed
// candidate unless a later note of the lane is nearer and inside the BAD
// window; then the candidate is missed and the press goes to that note.
TEST(JudgeTest, APressGoesToTheNearerNoteOfItsLane) {
  JudgeGame t(3);
  Game& g = t.g;
  for (int i = 0; i < 3; ++i) g.chart.Objects[i] = {0, 192 + 24 * i, 0, 11, 1, 0};
  g.play.LaneCandidate[0] = 0;
  // 10 late for note 0, 14 early for note 1: note 0 is nearer.
  g.play.PlayPosition = 202;
  PreferNearerNote(g, 0);
  EXPECT_EQ(g.play.LaneCandidate[0], 0);
  EXPECT_EQ(t.P().CountPoor, 0);
  // 20 late for note 0, 4 early for note 1: note 0 is missed, note 1 is the candidate.
  g.play.PlayPosition = 212;
  PreferNearerNote(g, 0);
  EXPECT_EQ(g.play.LaneCandidate[0], 1);
  EXPECT_EQ(g.chart.Objects[0].State, 1);
  EXPECT_EQ(t.P().CountPoor, 1);
  EXPECT_FLOAT_EQ(t.P().JPoints, -60.0f);  // a miss, not a late press
  EXPECT_TRUE(Judge(g, 1, 0.0f));
  EXPECT_EQ(t.P().CountGreat, 1);  // 4 units early
  // A candidate not yet reached is never passed over.
  g.play.LaneCandidate[0] = 2;
  g.play.PlayPosition = 230;
  PreferNearerNote(g, 0);
  EXPECT_EQ(g.play.LaneCandidate[0], 2);
  EXPECT_EQ(t.P().CountPoor, 1);
}

TEST(JudgeTest, ClassBoundariesAndDigits) {
  EXPECT_EQ(ClassOf(1.0f), 0);
  EXPECT_EQ(ClassOf(0.95f), 0);
  EXPECT_EQ(ClassOf(0.949f), 1);
  EXPECT_EQ(ClassOf(0.90f), 1);
  EXPECT_EQ(ClassOf(0.899f), 2);
  EXPECT_EQ(ClassOf(0.80f), 2);
  EXPECT_EQ(ClassOf(0.70f), 3);
  EXPECT_EQ(ClassOf(0.699f), 4);
  EXPECT_EQ(ClassOf(0.50f), 4);
  EXPECT_EQ(ClassOf(0.30f), 5);
  EXPECT_EQ(ClassOf(0.299f), 6);
  EXPECT_EQ(ClassOf(-1.0f), 6);

  JudgeGame t(2);
  EXPECT_EQ(CurrentClass(t.g, 0), 6);
  t.P().DisplayedJPoints = -123.4f;
  t.P().DisplayedScore = 4567.5;  // halves go to even
  t.P().DisplayedGauge = 7.6f;
  UpdateNumberDigits(t.g, 0);
  const DigitString& j = t.P().JPointsDigits;
  ASSERT_EQ(j.count, 6);
  EXPECT_EQ(j.digit[0], 10);
  EXPECT_EQ(j.digit[3], 1);
  EXPECT_EQ(j.digit[5], 3);
  const DigitString& s = t.P().ScoreDigits;
  ASSERT_EQ(s.count, 6);
  EXPECT_EQ(s.digit[2], 4);
  EXPECT_EQ(s.digit[5], 8);
  const DigitString& ga = t.P().GaugeDigits;
  ASSERT_EQ(ga.count, 3);
  EXPECT_EQ(ga.digit[0], 0);
  EXPECT_EQ(ga.digit[2], 8);
}

}  // namespace
}  // namespace kvx
