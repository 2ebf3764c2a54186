// Option keys, speed steps, course effects, the shuffle, note modifiers and
// the draw limit.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

#include "app/game.h"
#include "play/judge.h"
#include "play/options.h"
#include "test_support.h"

namespace kvx {
namespace {

struct OptionGame {
  test::TempFolder folder;
  Game g;
  ScriptedClock* clock = nullptr;
  OptionGame() {
    g.SetProgramFolder(folder.path());
    auto c = std::make_unique<ScriptedClock>(10000);
    clock = c.get();
    g.UseClock(std::move(c));
  }
  // Presses `code` with the given keys held.
  void Press(int code, std::initializer_list<int> held = {}) {
    g.app.ButtonState.fill(false);
    for (int h : held) g.app.ButtonState[h] = true;
    g.app.ButtonState[code] = true;
    ProcessOptionKeys(g, static_cast<int16_t>(code));
  }
  const std::string& Msg() const { return g.playopt.LastOptionMessage; }
};

TEST(OptionsTest, HiSpeedStepsAndMessages) {
  OptionGame t;
  float& hs = t.g.settings.HiSpeed;
  hs = 0.5f;
  t.Press(2, {5});
  EXPECT_FLOAT_EQ(hs, 0.0f);
  EXPECT_TRUE(t.g.playopt.RandomSpeed);
  EXPECT_EQ(t.Msg(), "[4+1,2] HiSpeed: 0 (1:Down/2:Up)");
  t.Press(2, {5});  // at 0 nothing changes
  EXPECT_FLOAT_EQ(hs, 0.0f);
  EXPECT_TRUE(t.g.playopt.RandomSpeed);
  t.Press(3, {5});
  EXPECT_FLOAT_EQ(hs, 0.25f);
  EXPECT_FALSE(t.g.playopt.RandomSpeed);
  hs = 2.0f;
  t.Press(3, {5});
  EXPECT_FLOAT_EQ(hs, 2.5f);
  EXPECT_EQ(t.Msg(), "[4+1,2] HiSpeed: 2.5 (1:Down/2:Up)");
  t.Press(2, {5});
  EXPECT_FLOAT_EQ(hs, 2.0f);
  t.Press(2, {5});
  EXPECT_FLOAT_EQ(hs, 1.75f);
  hs = 1.3f;
  t.Press(3, {5});
  EXPECT_FLOAT_EQ(hs, 1.5f);
  hs = 2.2f;  // 2.7 truncated to the 0.5 grid
  t.Press(3, {5});
  EXPECT_FLOAT_EQ(hs, 2.5f);
  // 4 with both 1 and 2: combo-linked mode; a step turns it off again.
  t.Press(2, {5, 3});
  EXPECT_TRUE(t.g.settings.ComboLinkedHiSpeed);
  EXPECT_EQ(t.Msg(), "COMBO-LINKED HISPEED MODE!");
  EXPECT_FLOAT_EQ(hs, 2.5f);
  t.Press(3, {5});
  EXPECT_FALSE(t.g.settings.ComboLinkedHiSpeed);
  t.Press(5);
  EXPECT_EQ(t.Msg(), "[4] HiSpeed: 3 (1:Down/2:Up)");
}

TEST(OptionsTest, PlaySpeedAndSleepSteps) {
  OptionGame t;
  float& rhs = t.g.settings.RealHiSpeed;
  rhs = 3.0f;
  t.Press(3, {4});
  EXPECT_FLOAT_EQ(rhs, 3.0f);
  EXPECT_EQ(t.Msg(), "[3+1,2] Real HiSpeed: 3 (1:Down/2:Up)");
  EXPECT_TRUE(t.g.playopt.OptionsChanged);
  t.Press(2, {4});
  EXPECT_FLOAT_EQ(rhs, 2.75f);
  rhs = 0.25f;
  t.Press(2, {4});
  EXPECT_FLOAT_EQ(rhs, 0.25f);
  t.Press(3, {4});
  EXPECT_FLOAT_EQ(rhs, 0.5f);
  t.Press(4);
  EXPECT_EQ(t.Msg(), "[3] Real HiSpeed: 0.5 (1:Down/2:Up)");

  t.g.settings.Sleep = 14;
  t.Press(3);
  t.Press(3);
  EXPECT_EQ(t.g.settings.Sleep, 15);
  EXPECT_EQ(t.Msg(), "[1,2] Sleep: 15 (1:Down/2:Up)");
  t.g.settings.Sleep = 0;
  t.Press(2);
  EXPECT_EQ(t.g.settings.Sleep, 0);
}

TEST(OptionsTest, TogglesAndSongSelectKeys) {
  OptionGame t;
  Settings& s = t.g.settings;
  s.ShowBGA = true;
  t.Press(6);
  EXPECT_FALSE(s.ShowBGA);
  EXPECT_TRUE(s.NoBGA);
  EXPECT_EQ(t.Msg(), "[5] BGA: Off");
  s.DRAWLIMIT = 1;
  t.Press(87);
  EXPECT_EQ(s.DRAWLIMIT, 2);
  EXPECT_EQ(t.Msg(), "Draw Limit : 2");
  t.Press(87);
  t.Press(87);
  EXPECT_EQ(s.DRAWLIMIT, 1);
  s.DEMOMode = false;
  t.Press(66);
  EXPECT_TRUE(s.DEMOMode);
  EXPECT_EQ(t.Msg(), "[F8] DEMO: On");
  s.BMSPreview = 1;
  t.Press(65);
  EXPECT_EQ(s.BMSPreview, 0);
  EXPECT_TRUE(t.g.play.QuitPlay);
  EXPECT_EQ(t.Msg(), "[F7] BMS Preview: Off");
  t.Press(68);
  EXPECT_TRUE(t.g.sound.EchoEffect);
  EXPECT_EQ(t.Msg(), "EFFECT: ECHO");
  t.Press(68);
  EXPECT_EQ(t.Msg(), "EFFECT: NONE");
  // Keypad 9 starts a course effect of kind 1..6.
  for (int i = 0; i < 50; ++i) {
    t.Press(73);
    EXPECT_GE(t.g.playopt.CourseEffect, 1);
    EXPECT_LE(t.g.playopt.CourseEffect, 6);
  }

  // F1: none, Hidden, Sudden, both, Stealth, none.
  s.Hidden = s.Sudden = s.Stealth = false;
  auto f1 = [&] {
    ProcessSongSelectOptionKeys(t.g, 59);
    return std::string(s.Hidden ? "H" : "") + (s.Sudden ? "S" : "") + (s.Stealth ? "T" : "");
  };
  EXPECT_EQ(f1(), "H");
  EXPECT_EQ(f1(), "S");
  EXPECT_EQ(f1(), "HS");
  EXPECT_EQ(f1(), "T");
  EXPECT_EQ(f1(), "");
  // F2: none, random lanes, super shuffle, none.
  ProcessSongSelectOptionKeys(t.g, 60);
  EXPECT_TRUE(t.g.chart.RandomLanes);
  ProcessSongSelectOptionKeys(t.g, 60);
  EXPECT_FALSE(t.g.chart.RandomLanes);
  EXPECT_TRUE(t.g.playopt.SpShuffle);
  ProcessSongSelectOptionKeys(t.g, 60);
  EXPECT_FALSE(t.g.playopt.SpShuffle);
  EXPECT_TRUE(ProcessSongSelectOptionKeys(t.g, 88));
  EXPECT_TRUE(t.g.playopt.BreakOnBad);
  EXPECT_FALSE(ProcessSongSelectOptionKeys(t.g, 28));
}

TEST(OptionsTest, CourseEffectsRunAndRestore) {
  OptionGame t;
  Game& g = t.g;
  g.app.GameState = Screen::Play;
  g.play.Playing = true;
  g.play.InitialBPM = 120;
  g.play.EffectiveBPM = 150;  // a later tempo of the chart is in force
  StartCourseEffect(g, 1);
  EffectTick(g);
  EXPECT_FLOAT_EQ(g.settings.RealHiSpeed, 2.0f);
  EXPECT_FLOAT_EQ(g.play.EffectiveBPM, 240.0f);
  EXPECT_EQ(t.Msg(), "< T E M P O D O W N [2.0] >");
  t.clock->Advance(1000);
  EffectTick(g);
  EXPECT_FLOAT_EQ(g.settings.RealHiSpeed, 1.5f);
  t.clock->Advance(3001);
  EffectTick(g);
  EXPECT_EQ(g.playopt.CourseEffect, kEffectRestore);
  for (int i = 0; i < 100 && g.playopt.CourseEffect != kEffectNone; ++i) EffectTick(g);
  EXPECT_EQ(g.playopt.CourseEffect, kEffectNone);
  EXPECT_FLOAT_EQ(g.settings.RealHiSpeed, 1.0f);
  EXPECT_FLOAT_EQ(g.play.EffectiveBPM, 120.0f);

  StartCourseEffect(g, 3);
  EffectTick(g);
  EXPECT_FLOAT_EQ(g.settings.RealHiSpeed, 0.5f);
  EXPECT_EQ(t.Msg(), "< T E M P O U P [0.5] >");
  g.settings.RealHiSpeed = 1.0f;

  g.settings.HiSpeed = 1.0f;
  StartCourseEffect(g, 2);
  t.clock->Advance(4000);
  EffectTick(g);
  EXPECT_FLOAT_EQ(g.settings.HiSpeed, 2.0f);
  EXPECT_EQ(t.Msg(), "< S P E E D U P [2.0] >");
  t.clock->Advance(4001);
  EffectTick(g);
  EXPECT_EQ(g.playopt.CourseEffect, kEffectRestore);
  for (int i = 0; i < 300; ++i) EffectTick(g);
  EXPECT_FLOAT_EQ(g.settings.HiSpeed, 1.0f);
  EXPECT_FLOAT_EQ(g.playopt.TargetHiSpeed, 0.0f);

  StartCourseEffect(g, 4);
  EffectTick(g);
  EXPECT_EQ(t.Msg(), "< S H F F U L E ! >");
  t.clock->Advance(10001);
  EffectTick(g);
  EXPECT_EQ(g.playopt.CourseEffect, kEffectRestore);

  StartCourseEffect(g, 5);
  EffectTick(g);
  EXPECT_TRUE(g.play.BreakActive);
  EXPECT_EQ(t.Msg(), "< B R E A K >");
}

TEST(OptionsTest, EasingOfDisplayedValuesAndComboLinkedSpeed) {
  OptionGame t;
  Game& g = t.g;
  g.judge.Player[0].Gauge = 60;
  g.judge.Player[0].DisplayedGauge = 0;
  g.judge.Player[0].Score = 1000;
  EffectTick(g);
  // 60 frames per second: a fifth of the way for the gauge, 0.3 for the scores.
  EXPECT_NEAR(g.judge.Player[0].DisplayedGauge, 12.0f, 1e-3);
  EXPECT_NEAR(g.judge.Player[0].DisplayedScore, 300.0, 1e-6);

  g.settings.ComboLinkedHiSpeed = true;
  g.chart.ObjectCount = 1;
  g.chart.Objects[0] = {0, 0, 0, 11, 1, 0};
  g.chart.NoteCount = {1, 0};
  g.judge.Player[0].Combo = 149;
  g.play.PlayPosition = 0;
  Judge(g, 0, 0.0f);
  EXPECT_FLOAT_EQ(g.playopt.TargetHiSpeed, 2.5f);
  g.settings.HiSpeed = 1.0f;
  EffectTick(g);
  EXPECT_FLOAT_EQ(g.settings.HiSpeed, 1.15f);
}

TEST(OptionsTest, NoteModifiers) {
  OptionGame t;
  Game& g = t.g;
  Settings& s = g.settings;
  g.play.PlayPosition = 0;
  s.HiSpeed = 1.0f;
  EXPECT_EQ(NoteYFromLine(g, 400, 400), 0);
  s.HiSpeed = 2.0f;
  EXPECT_EQ(NoteYFromLine(g, 400, 200), 0);
  EXPECT_EQ(NoteYFromLine(g, 400, 100.25), 200);  // 199.5 rounds to even

  auto vis = [&](int y) { return ApplyNoteModifiers(g, 400, y).visible; };
  EXPECT_TRUE(vis(0));
  s.Hidden = true;
  EXPECT_FALSE(vis(281));
  EXPECT_TRUE(vis(280));
  s.Hidden = false;
  s.Sudden = true;
  EXPECT_FALSE(vis(275));
  EXPECT_TRUE(vis(276));
  s.Hidden = true;  // both: only 120..124 pixels above the line
  EXPECT_TRUE(vis(276));
  EXPECT_TRUE(vis(280));
  EXPECT_FALSE(vis(281));
  EXPECT_FALSE(vis(275));
  EXPECT_TRUE(ApplyNoteModifiers(g, 400, 390, false).visible);  // bar lines stay
  s.Hidden = s.Sudden = false;
  s.Stealth = true;
  EXPECT_FALSE(vis(200));
  s.Stealth = false;

  s.Accel = true;
  EXPECT_EQ(ApplyNoteModifiers(g, 400, 200).y, 100);
  EXPECT_EQ(ApplyNoteModifiers(g, 400, 400).y, 400);
  s.Accel = false;
  s.Vexo = true;
  NoteDrawPos v = ApplyNoteModifiers(g, 400, 100);
  EXPECT_EQ(v.y, 250);
  EXPECT_EQ(v.widen, -9);
  v = ApplyNoteModifiers(g, 400, 0);
  EXPECT_EQ(v.y, 400);
  EXPECT_EQ(v.widen, -12);
  EXPECT_EQ(ApplyNoteModifiers(g, 400, 400).widen, 0);
  s.Vexo = false;
  s.Reverse = true;
  EXPECT_EQ(ApplyNoteModifiers(g, 400, 100).y, 300);
  EXPECT_EQ(ApplyNoteModifiers(g, 400, 100, false).y, 300);
}

TEST(OptionsTest, DrawLimitLevels) {
  OptionGame t;
  t.g.settings.DRAWLIMIT = 1;
  EXPECT_TRUE(DrawLimitAllows(t.g, DrawElement::KeyBeams));
  EXPECT_TRUE(DrawLimitAllows(t.g, DrawElement::Panels));
  t.g.settings.DRAWLIMIT = 2;
  EXPECT_FALSE(DrawLimitAllows(t.g, DrawElement::KeyBeams));
  EXPECT_FALSE(DrawLimitAllows(t.g, DrawElement::ClassLetter));
  EXPECT_FALSE(DrawLimitAllows(t.g, DrawElement::Texts));
  EXPECT_FALSE(DrawLimitAllows(t.g, DrawElement::ProgressMarks));
  EXPECT_TRUE(DrawLimitAllows(t.g, DrawElement::Panels));
  t.g.settings.DRAWLIMIT = 3;
  EXPECT_FALSE(DrawLimitAllows(t.g, DrawElement::Panels));
}

TEST(OptionsTest, ShuffleNeverUsesTheScratchOrDoublesANote) {
  OptionGame t;
  Game& g = t.g;
  ChartState& c = g.chart;
  // Chords of 4 key notes plus a scratch every 12 units, and one position
  // holding notes on every key lane twice over (more than lanes exist).
  std::vector<ChartObject> objs;
  for (int pos = 0; pos <= 480; pos += 12) {
    for (int ch : {11, 13, 15, 19, 16}) objs.push_back({0, pos, 0, ch, 1, 0});
  }
  for (int k = 0; k < 2; ++k)
    for (int ch : {11, 12, 13, 14, 15, 18, 19}) objs.push_back({0, 300, 0, ch, 1, 0});
  std::stable_sort(objs.begin(), objs.end(), [](auto& a, auto& b) { return a.Position < b.Position; });
  c.ObjectCount = static_cast<int32_t>(objs.size());
  std::copy(objs.begin(), objs.end(), c.Objects.begin());
  g.settings.HiSpeed = 2.0f;  // notes beyond 128 units ahead are shuffled
  g.play.PlayPosition = 0;
  g.play.NextObject = 0;
  g.play.LaneCandidate.fill(-1);
  g.play.LaneCandidate[2] = 2;  // a chosen note (channel 15 at 0) stays
  g.playopt.Rng.seed(12345);
  bool moved = false;
  for (int run = 0; run < 400; ++run) {
    ShuffleAhead(g);
    std::set<std::pair<int, int>> seenKeys;
    for (int i = 0; i < c.ObjectCount; ++i) {
      const ChartObject& o = c.Objects[i];
      const ChartObject& orig = objs[i];
      if (orig.Channel == 16) {
        ASSERT_EQ(o.Channel, 16);
        continue;
      }
      ASSERT_NE(o.Channel, 16) << "run " << run << " object " << i;
      ASSERT_NE(o.Channel, 17);
      ASSERT_GE(o.Channel, 11);
      ASSERT_LE(o.Channel, 19);
      if (o.Position <= 128 || o.Position > 384) {
        ASSERT_EQ(o.Channel, orig.Channel) << "object " << i << " outside the shuffled range moved";
        continue;
      }
      if (o.Channel != orig.Channel) moved = true;
      if (o.Position != 300) {
        ASSERT_TRUE(seenKeys.insert({o.Position, o.Channel}).second) << "two notes on one lane";
      }
    }
  }
  EXPECT_TRUE(moved);
}

}  // namespace
}  // namespace kvx
