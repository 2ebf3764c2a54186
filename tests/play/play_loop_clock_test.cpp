// The play clock, tempo changes, pause, break, the ESC hold and the end of play.
#include "play_loop_fixture.h"

#include "app/sound_links.h"
#include "app/timers.h"
#include "media/sound_test_support.h"
#include "play/options.h"

namespace kvx::test {
namespace {

// A chart played without drawing, its clock started now at position 0.
void StartUndrawn(HeadlessPlay& h, float bpm, int measures, std::vector<ChartObject> objects = {}) {
  h.Chart(bpm, measures, std::move(objects));
  h.g.chart.BackgroundPreview = true;
  h.StartClock();
}

// The clock moved on by ms, then one frame.
void PlayFor(HeadlessPlay& h, uint32_t ms) {
  h.clock().Advance(ms);
  UpdateFrame(h.g);
}

TEST(PlayClock, PositionFollowsTempoAndReBasesAtTempoChanges) {
  HeadlessPlay h;
  StartUndrawn(h, 150, 8);
  PlayFor(h, 1000);
  EXPECT_EQ(h.g.play.ElapsedMs, 1000);
  EXPECT_DOUBLE_EQ(h.g.play.PlayPosition, 120.0);  // 1000 x 150 / 1250

  // 120 -> 240 at elapsed 2000 ms (position 192).
  HeadlessPlay k;
  StartUndrawn(k, 120, 8);
  PlayFor(k, 2000);
  EXPECT_DOUBLE_EQ(k.g.play.PlayPosition, 192.0);
  BPMChange(k.g, 240);
  EXPECT_EQ(k.g.play.BasePosition, -192);
  EXPECT_FLOAT_EQ(k.g.play.EffectiveBPM, 240);
  EXPECT_DOUBLE_EQ(k.g.play.PositionRate, 0.192);
  EXPECT_FLOAT_EQ(k.g.play.UnitsPerSecond, 192);  // 240 / 240 x 192
  UpdateFrame(k.g);
  EXPECT_DOUBLE_EQ(k.g.play.PlayPosition, 192.0);
  PlayFor(k, 500);
  EXPECT_DOUBLE_EQ(k.g.play.PlayPosition, 192.0 + 500 * 0.192);

  // The play speed factor multiplies the tempo.
  HeadlessPlay r;
  r.g.settings.RealHiSpeed = 1.5f;
  StartUndrawn(r, 100, 8);
  PlayFor(r, 1000);
  EXPECT_DOUBLE_EQ(r.g.play.PlayPosition, 120.0);
  EXPECT_EQ(r.g.play.BasePosition, 0);
}

TEST(PlayClock, ObjectsAtThePositionAreHandledInTheSameFrame) {
  HeadlessPlay h;
  // Tempo changes are observable objects: one exactly at the position the
  // frame reaches (120 at 1000 ms), one a unit further.
  StartUndrawn(h, 150, 8, {ChartObject{0, 120, 0, 3, 300, 0}, ChartObject{0, 121, 0, 3, 600, 0}});
  PlayFor(h, 1000);
  EXPECT_FLOAT_EQ(h.g.play.EffectiveBPM, 300);   // the object at 120 ran
  EXPECT_EQ(h.g.chart.Objects[h.g.play.NextObject].Position, 121);
  EXPECT_FLOAT_EQ(h.g.play.DisplayedBPM, 300);
  // The tempo change kept the position continuous.
  UpdateFrame(h.g);
  EXPECT_DOUBLE_EQ(h.g.play.PlayPosition, 120.0);
  PlayFor(h, 4);  // 4 ms at 300 BPM = 0.96 units: not yet at 121
  EXPECT_FLOAT_EQ(h.g.play.EffectiveBPM, 300);
  PlayFor(h, 1);
  EXPECT_FLOAT_EQ(h.g.play.EffectiveBPM, 600);

  // The last object processed ends Playing.
  PlayFor(h, 100000);
  EXPECT_EQ(h.g.play.NextObject, h.g.chart.ObjectCount);
  EXPECT_FALSE(h.g.play.Playing);
}

TEST(PlayClock, PauseFreezesThePositionAndResumeContinuesIt) {
  HeadlessPlay h;
  StartUndrawn(h, 150, 64);
  PlayFor(h, 1000);
  const double before = h.g.play.PlayPosition;
  const int64_t played = PlayedMs(h.g, h.g.NowMs());
  ProcessKey_Play(h.g, 88, h.g.NowMs());  // F12
  EXPECT_TRUE(h.g.play.Paused);
  EXPECT_FLOAT_EQ(h.g.play.PausedBPM, 150);
  EXPECT_FLOAT_EQ(h.g.play.EffectiveBPM, 0);
  for (int i = 0; i < 100; ++i) {
    PlayFor(h, 100);
    ASSERT_DOUBLE_EQ(h.g.play.PlayPosition, before);
    ASSERT_EQ(PlayedMs(h.g, h.g.NowMs()), played);  // the paused time is not play time
  }
  // Lane presses are ignored while paused.
  h.g.play.LaneCandidate[0] = 3;
  ProcessKey_Play(h.g, 11, h.g.NowMs());
  EXPECT_EQ(h.g.play.KeyFlash[0], 0);
  EXPECT_EQ(h.g.play.LaneCandidate[0], 3);
  ProcessKey_Play(h.g, 88, h.g.NowMs());
  EXPECT_FALSE(h.g.play.Paused);
  EXPECT_FLOAT_EQ(h.g.play.EffectiveBPM, 150);
  UpdateFrame(h.g);
  EXPECT_NEAR(h.g.play.PlayPosition, before, 0.5);
  PlayFor(h, 1000);
  EXPECT_NEAR(h.g.play.PlayPosition, before + 120, 0.5);
  EXPECT_EQ(PlayedMs(h.g, h.g.NowMs()), played + 1000);
  // A second pause is left out as well.
  ProcessKey_Play(h.g, 88, h.g.NowMs());
  h.clock().Advance(5000);
  ProcessKey_Play(h.g, 88, h.g.NowMs());
  h.clock().Advance(500);
  EXPECT_EQ(PlayedMs(h.g, h.g.NowMs()), played + 1500);
  const std::string log = h.folder.Read("_kvxfiles/debug.txt");
  EXPECT_NE(log.find("[BMSPause]"), std::string::npos);
  EXPECT_NE(log.find("[BMSResume] BPM:150"), std::string::npos);
  EXPECT_NE(log.find("[Resumed]"), std::string::npos);
}

TEST(PlayClock, BreakFreezesForOneSecondAndAPauseInsideItKeepsTheTempo) {
  HeadlessPlay h;
  StartUndrawn(h, 120, 64);
  PlayFor(h, 1000);
  const double at = h.g.play.PlayPosition;
  StartBreak(h.g);
  EXPECT_TRUE(h.g.play.BreakActive);
  PlayFor(h, 1000);  // exactly 1000 ms: still frozen
  EXPECT_TRUE(h.g.play.BreakActive);
  EXPECT_DOUBLE_EQ(h.g.play.PlayPosition, at);
  PlayFor(h, 1);
  EXPECT_FALSE(h.g.play.BreakActive);
  EXPECT_FLOAT_EQ(h.g.play.EffectiveBPM, 120);
  // A break that is not the break course effect (pressure mode) fails the play.
  EXPECT_TRUE(h.g.play.Failed);

  // A pause during a break, ended after the break: the tempo comes back
  // (saving the frozen tempo would have left the chart stopped for good).
  HeadlessPlay k;
  StartUndrawn(k, 120, 64);
  PlayFor(k, 500);
  StartBreak(k.g);
  BMSPause(k.g);
  PlayFor(k, 1500);
  EXPECT_FALSE(k.g.play.BreakActive);
  EXPECT_FLOAT_EQ(k.g.play.EffectiveBPM, 0);  // still paused
  BMSResume(k.g);
  EXPECT_FLOAT_EQ(k.g.play.EffectiveBPM, 120);
}

TEST(PlayClock, FreezesStopKeySoundsAndEchoesAndBringThemBack) {
  HeadlessPlay h;
  MakeFolder(h.g.paths.data + "/wav");
  InitDS(h.g);
  ASSERT_TRUE(SoundAvailable(h.g.sound));
  const std::string tone = h.folder.path() + "/long.wav";
  ASSERT_TRUE(WriteTone(tone, 44100, 1, 5.0, 440));
  h.g.chart.WavFile[1] = tone;
  loadwav(h.g, 1);
  StartUndrawn(h, 120, 64);

  // A key sound with its echoes; the first echo is due after 200 ms.
  SetEchoEffect(h.g.sound, true);
  PlayWav(h.g, 1);
  PlayFor(h, 201);
  const uint32_t key = h.g.sound.WavSources[1], echo = h.g.sound.EchoSources[1 + kWavIds];
  ASSERT_NE(echo, 0u);
  // The state of the key sound's source and the first echo's source.
  auto states = [&h, key, echo] {
    EXPECT_TRUE(h.g.sound.device->MakeCurrent());
    ALint k = 0, e = 0;
    alGetSourcei(key, AL_SOURCE_STATE, &k);
    alGetSourcei(echo, AL_SOURCE_STATE, &e);
    return std::pair<ALint, ALint>(k, e);
  };
  const std::pair<ALint, ALint> playing(AL_PLAYING, AL_PLAYING), paused(AL_PAUSED, AL_PAUSED);
  EXPECT_EQ(states(), playing);

  // A break, then a pause inside it: both sounds stop and stay stopped while
  // either freeze lasts.
  StartBreak(h.g);
  EXPECT_EQ(states(), paused);
  EXPECT_TRUE(h.g.play.SoundWasPlaying[1]);
  BMSPause(h.g);
  EXPECT_TRUE(h.g.play.SoundWasPlaying[1]);  // the second freeze keeps what the first stopped
  PlayFor(h, 1001);
  EXPECT_FALSE(h.g.play.BreakActive);
  EXPECT_EQ(states(), paused);

  // The resume after both brings both back from where they stopped.
  BMSResume(h.g);
  EXPECT_EQ(states(), playing);
  EXPECT_FALSE(h.g.play.SoundWasPlaying[1]);
  EXPECT_TRUE(h.g.sound.PausedExtraSources.empty());
}

TEST(PlayLoop, EscHeldOverHalfASecondClosesThePlay) {
  HeadlessPlay h(5);
  h.Chart(120, 64, {});
  // The intro takes 1000 ms; play runs from there.
  h.Key(1500, 1, true);
  h.Key(1900, 1, false);  // 400 ms: nothing
  h.Key(3000, 1, true);
  h.Key(3600, 1, false);  // 600 ms: the closing fade starts after 500 ms
  uint32_t fadeSeen = 0;
  h.g.pump.AddListener([&](const PlatformEvent&) {});
  h.g.pump.SetTimer(77, 1, [&] {
    if (!fadeSeen && h.g.play.FadeState == kFadeClose) fadeSeen = h.g.NowMs();
  });
  PlayLoop(h.g);
  EXPECT_TRUE(h.g.play.QuitPlay);
  EXPECT_FALSE(h.g.play.ReachedEnd);
  // Not before the second press: the 400 ms hold did nothing.
  ASSERT_GT(fadeSeen, 3500u);
  EXPECT_LE(fadeSeen, 3515u);
  // Play ended about 200 ms after the fade began.
  EXPECT_GE(h.g.NowMs(), fadeSeen + 195);
  EXPECT_LE(h.g.NowMs(), fadeSeen + 215);
  EXPECT_EQ(h.g.app.GameState, Screen::PlayEnded);
  EXPECT_FALSE(h.g.pump.HasTimer(kEffectTickTimerId));  // the effect tick timer is stopped
  const std::string log = h.folder.Read("_kvxfiles/debug.txt");
  EXPECT_NE(log.find("[PlayLoop]"), std::string::npos);
  EXPECT_NE(log.find("playloop start"), std::string::npos);
  EXPECT_NE(log.find("playloop end"), std::string::npos);
}

TEST(PlayLoop, EndOfChartFadesOrEndsAtOnceInPreviewMode) {
  HeadlessPlay h(10);
  h.Chart(240, 2, {});  // 384 units at 0.192 per ms: 2000 ms
  PlayLoop(h.g);
  EXPECT_TRUE(h.g.play.ReachedEnd);
  // Intro 1000 ms, 2000 ms of chart, then 200 ms of fade.
  EXPECT_GE(h.g.NowMs(), 3200u);
  EXPECT_LE(h.g.NowMs(), 3260u);

  HeadlessPlay k(10);
  k.Chart(240, 2, {});
  k.g.screens.PreviewMode = true;
  PlayLoop(k.g);
  EXPECT_FALSE(k.g.play.ReachedEnd);
  EXPECT_EQ(k.g.play.FadeState, kFadeNone);
  EXPECT_FALSE(k.g.play.QuitPlay);  // left at once, not by a finished fade
  EXPECT_LE(k.g.NowMs(), 3030u);
}

TEST(PlayKeys, PedalKeyLightsAndJudgesTheScratchLane) {
  HeadlessPlay h;
  h.g.app.KeyTable[40] = 17;
  StartUndrawn(h, 120, 8, {Note(16, 96)});
  PlayFor(h, 1000);
  h.g.play.LaneCandidate[16 - 11] = 1;
  ProcessKey_Play(h.g, 40, h.g.NowMs());
  EXPECT_TRUE(h.g.app.LanePressed[17 - 11]);
  EXPECT_EQ(h.g.play.KeyFlash[16 - 11], 1);
  EXPECT_EQ(h.g.play.KeyFlash[17 - 11], 0);
  ButtonUp_Play(h.g, 40);
  EXPECT_FALSE(h.g.app.LanePressed[17 - 11]);
  EXPECT_EQ(h.g.play.KeyFlash[16 - 11], 0);  // the beam goes out with the pedal

  // ESC down and up.
  ProcessKey_Play(h.g, 1, h.g.NowMs());
  EXPECT_TRUE(h.g.play.EscHeld);
  ButtonUp_Play(h.g, 1);
  EXPECT_FALSE(h.g.play.EscHeld);
}

TEST(PlayKeys, PositionAtAnEventIsTheClockAtThatTime) {
  HeadlessPlay h;
  StartUndrawn(h, 150, 8);
  PlayFor(h, 1000);
  EXPECT_DOUBLE_EQ(PlayPositionAt(h.g, h.g.NowMs()), 120.0);
  EXPECT_DOUBLE_EQ(PlayPositionAt(h.g, h.g.NowMs() - 25), 117.0);  // 25 ms x 0.12
  BPMChange(h.g, 300);
  EXPECT_DOUBLE_EQ(PlayPositionAt(h.g, h.g.NowMs()), 120.0);
  EXPECT_DOUBLE_EQ(PlayPositionAt(h.g, h.g.NowMs() + 10), 122.4);

  // Recording a press: position of the event, the lane's sound, the last bar.
  h.g.settings.UserRec = true;
  h.g.play.LaneKeySound[2] = 7;
  h.g.play.LastBarMeasure = 0;
  ProcessKey_Play(h.g, 13, h.g.NowMs() - 5);  // 5 ms before the frame: 1.2 units earlier
  ASSERT_EQ(h.g.play.RecordList.size(), 1u);
  EXPECT_EQ(h.g.play.RecordList[0].Channel, 13);
  EXPECT_EQ(h.g.play.RecordList[0].Position, 119);
  EXPECT_EQ(h.g.play.RecordList[0].Value, 7);
}

// The player's offsets: a press is judged JudgeOffsetMs earlier, notes are
// drawn VisualOffsetMs later; both 0 leave everything as it was.
TEST(PlayKeys, OffsetsMoveTheJudgedPressAndTheDrawnNotes) {
  HeadlessPlay h;
  StartUndrawn(h, 150, 8);
  PlayFor(h, 1000);
  const uint32_t now = h.g.NowMs();
  std::vector<uint32_t> judged;
  h.g.play.PressTrace = &judged;
  h.g.settings.UserRec = true;
  ProcessKey_Play(h.g, 13, now);
  h.g.settings.JudgeOffsetMs = 25;  // 25 ms x 0.12 = 3 units
  ProcessKey_Play(h.g, 13, now);
  h.g.settings.JudgeOffsetMs = -10;
  ProcessKey_Play(h.g, 13, now);
  EXPECT_EQ(judged, (std::vector<uint32_t>{now, now - 25, now + 10}));
  ASSERT_EQ(h.g.play.RecordList.size(), 3u);
  EXPECT_EQ(h.g.play.RecordList[0].Position, 120);
  EXPECT_EQ(h.g.play.RecordList[1].Position, 117);
  EXPECT_EQ(h.g.play.RecordList[2].Position, 121);  // 121.2

  h.g.settings.HiSpeed = 2;
  EXPECT_EQ(NoteYFromLine(h.g, 400, 120), 400);
  EXPECT_EQ(NoteYFromLine(h.g, 400, 150), 340);
  h.g.settings.VisualOffsetMs = 50;  // drawn 6 units behind the clock
  EXPECT_DOUBLE_EQ(DrawnPlayPosition(h.g), 114.0);
  EXPECT_EQ(NoteYFromLine(h.g, 400, 120), 388);
  EXPECT_EQ(NoteYFromLine(h.g, 400, 150), 328);
}

}  // namespace
}  // namespace kvx::test
