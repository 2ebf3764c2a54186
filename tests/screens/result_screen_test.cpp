// The result screen: figures counting up, the sounds, and what ends it.
#include "screens/result_screen.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/sound_links.h"
#include "media/sound.h"
#include "play/judge.h"
#include "post_play_fixture.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;

class ResultScreen : public test::PostPlayFixture {
 protected:
  void SetUp() override {
    PostPlayFixture::SetUp();
    PlayerScore& p = g.judge.Player[0];
    p.Score = 123457;
    p.JPoints = 1500;
    p.MaxCombo = 90;
    p.CountFGreat = 75;
    p.CountGreat = 10;
    p.CountGood = 5;
    p.CountBad = 3;
    p.CountPoor = 7;
    p.Gauge = 84;
    g.judge.JPointsMax = 100 * 18;
    g.play.QuitPlay = true;  // as play leaves it
    g.app.GameState = Screen::PlayEnded;
  }
  // Runs the screen; returns the frame it ended in.
  int Run() {
    RunResultScreen(g);
    return frames;
  }
  void At(int frame, std::vector<PlatformEvent> input) { plan[frame] = std::move(input); }
  void Follow() {
    every_frame = [this](std::vector<PlatformEvent>& events) {
      if (auto it = plan.find(frames); it != plan.end())
        for (auto& e : it->second) events.push_back(e);
    };
  }
  std::map<int, std::vector<PlatformEvent>> plan;
};

TEST_F(ResultScreen, EveryFigureCountsUpOverTwoSeconds) {
  RunResultTally(g);
  const ShownResult start = ResultShownAt(g, 0);
  EXPECT_EQ(start.Score, 0);
  for (int64_t c : start.Counts) EXPECT_EQ(c, 0);
  EXPECT_EQ(start.Class, 6);  // E until the J-PTS have counted up
  const ShownResult half = ResultShownAt(g, 1000);
  EXPECT_EQ(half.Score, 61728);  // 123457 x 1000 / 2000, integer division
  EXPECT_EQ(half.ExPts, 80);
  EXPECT_EQ(half.JPts, 750);
  EXPECT_EQ(half.MaxCombo, 45);
  EXPECT_EQ(half.Counts[0], 37);
  EXPECT_EQ(half.Counts[4], 3);
  // The judgement counts end at their values, not at 0.
  for (uint32_t t : {2000u, 2500u, 60000u}) {
    const ShownResult end = ResultShownAt(g, t);
    EXPECT_EQ(end.Score, 123457);
    EXPECT_EQ(end.ExPts, 160);
    EXPECT_EQ(end.JPts, 1500);
    EXPECT_EQ(end.MaxCombo, 90);
    const int64_t counts[5] = {75, 10, 5, 3, 7};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(end.Counts[i], counts[i]);
    EXPECT_EQ(end.Class, ClassOf(1500.0f / 1800.0f));
  }
}

TEST_F(ResultScreen, OnlyAKeyLaneTapEndsItHoweverShort) {
  // Scratch, pedals and the unused lane 20 stay.
  g.app.KeyTable[16] = 17;  // Q
  g.app.KeyTable[17] = 26;  // W
  g.app.KeyTable[18] = 27;  // E
  g.app.KeyTable[19] = 20;  // R
  At(3, Tap(SDL_SCANCODE_LSHIFT));  // 16
  At(4, Tap(SDL_SCANCODE_Q));
  At(5, Tap(SDL_SCANCODE_W));
  At(6, Tap(SDL_SCANCODE_E));
  At(7, Tap(SDL_SCANCODE_R));
  At(9, Tap(SDL_SCANCODE_SPACE));   // 16
  At(12, Tap(SDL_SCANCODE_RETURN));  // 29, a key of player 2: pressed and released in one frame
  Follow();
  EXPECT_EQ(Run(), 12);
  EXPECT_EQ(g.app.GameState, Screen::Result);
  for (bool held : g.app.LanePressed) EXPECT_FALSE(held);
  // Escape counts as lane 11.
  frames = 0;
  plan.clear();
  At(4, Tap(SDL_SCANCODE_ESCAPE));
  EXPECT_EQ(Run(), 4);
  EXPECT_NE(Log().find("[Result] SCORE: 123457 ExPTS: 160 J-PTS: 1500 COMBO: 90"), std::string::npos);
}

TEST_F(ResultScreen, APressCountsOnlyOnceTheScreenMayEnd) {
  // A key held since the play does not end it when released; a press while
  // play has not ended or while the network wait runs is not kept.
  g.pump.Inject(Tap(SDL_SCANCODE_Z)[0]);
  g.pump.Pump();
  frames = 0;
  g.play.QuitPlay = false;
  At(2, {Tap(SDL_SCANCODE_Z)[1]});
  At(3, Tap(SDL_SCANCODE_X));
  every_frame = [this](std::vector<PlatformEvent>& events) {
    if (auto it = plan.find(frames); it != plan.end())
      for (auto& e : it->second) events.push_back(e);
    if (frames == 5) {
      g.play.QuitPlay = true;
      g.screens.NetWaitPending = true;
    }
    if (frames == 6) events.push_back(Tap(SDL_SCANCODE_C)[0]);
    if (frames == 7) events.push_back(Tap(SDL_SCANCODE_C)[1]);
    if (frames == 9) g.screens.NetWaitPending = false;
    if (frames == 14) for (auto& e : Tap(SDL_SCANCODE_V)) events.push_back(e);
  };
  EXPECT_EQ(Run(), 14);
}

TEST_F(ResultScreen, CountSoundLoopsForTwoSecondsAndTheClearSoundPlays) {
  fs::copy(fs::path(KVX_BUILD_DIR) / "_kvxfiles" / "wav", g.paths.data + "/wav");
  InitDS(g);
  ASSERT_TRUE(SoundAvailable(g.sound));
  bool clear = false, fail = true, counting_early = false, counting_late = true;
  uint32_t start = clock->NowMs();
  every_frame = [&](std::vector<PlatformEvent>& events) {
    const uint32_t t = clock->NowMs() - start;
    if (frames == 1) {
      clear = IsSystemSoundPlaying(g.sound, kSeResClear);
      fail = IsSystemSoundPlaying(g.sound, kSeResFail);
    }
    if (t > 1000 && t < 1100) counting_early = IsSystemSoundPlaying(g.sound, kSePtsCount);
    if (t > 2100 && t < 2200) counting_late = IsSystemSoundPlaying(g.sound, kSePtsCount);
    if (t > 2300) for (auto& e : Tap(SDL_SCANCODE_Z)) events.push_back(e);
  };
  RunResultScreen(g);
  EXPECT_TRUE(clear);
  EXPECT_FALSE(fail);
  EXPECT_TRUE(counting_early);
  EXPECT_FALSE(counting_late);
  EXPECT_EQ(g.judge.ResultSound, kSeResClear);
}

}  // namespace
}  // namespace kvx
