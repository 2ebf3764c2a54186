// Presses shorter than a frame: every press and release the devices report
// reaches the screens in order, with its own time (song select, the result
// screen, play).
#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "app/game.h"
#include "app/main_loop.h"
#include "media/display.h"
#include "media/input.h"
#include "play/judge.h"
#include "play/play_loop.h"
#include "screens/result_screen.h"
#include "platform_events.h"
#include "test_support.h"

namespace kvx {
namespace {

// A started game without a display: keys arrive as events through the pump,
// and each pump is one frame of `frame_ms`.
class ShortTaps : public ::testing::Test {
 protected:
  void SetUp() override {
    clock = test::UseHeadlessGame(g, dir.path(), 1000, 1);
    g.settings.BMSPreview = false;
    g.settings.Sleep = 0;
    for (int i = 0; i < 100; ++i) g.library.SongList.push_back(SongEntry{});
    InitDI_Keyboard(g);
    g.app.started = true;
    g.app.Running = true;
    InstallInputRouting(g);
    g.pump.AddSource([this](std::vector<PlatformEvent>& events) {
      clock->Advance(frame_ms);
      for (auto& e : pending) events.push_back(e);
      pending.clear();
      if (on_frame) on_frame(events);
    });
  }

  PlatformEvent Key(int scancode, bool down, uint32_t at) const { return test::KeyEvent(scancode, down, at); }

  test::TempFolder dir;
  Game g;
  ScriptedClock* clock = nullptr;
  uint32_t frame_ms = 16;
  std::vector<PlatformEvent> pending;
  std::function<void(std::vector<PlatformEvent>&)> on_frame;
};

// Down, up and down again within one frame on the song list: two steps, and
// the key is held at the end.
TEST_F(ShortTaps, SongSelectStepsOncePerPressWithinOneFrame) {
  g.app.GameState = Screen::SongList;
  const uint32_t t = clock->NowMs();
  pending = {Key(SDL_SCANCODE_DOWN, true, t + 2), Key(SDL_SCANCODE_DOWN, false, t + 5),
             Key(SDL_SCANCODE_DOWN, true, t + 9)};
  g.pump.Pump();
  EXPECT_EQ(g.app.ListCursor, 2);
  EXPECT_TRUE(g.app.ButtonState[208]);
  EXPECT_EQ(KeyPressTime(g, 208), t + 9);
  pending = {Key(SDL_SCANCODE_DOWN, false, t + 20)};
  g.pump.Pump();
  EXPECT_FALSE(g.app.ButtonState[208]);
  EXPECT_EQ(g.app.ListCursor, 2);
}

// A lane key pressed and released between two frames of the result screen
// ends it; before the press it keeps running.
TEST_F(ShortTaps, ResultScreenEndsOnAPressShorterThanAFrame) {
  g.app.KeyTable[44] = 11;  // Z
  g.play.QuitPlay = true;
  uint32_t tapped_at = 0, ended_by_test = 0;
  on_frame = [&](std::vector<PlatformEvent>& events) {
    const uint32_t now = clock->NowMs();
    if (tapped_at == 0 && now >= 4000) {
      tapped_at = now;
      events.push_back(Key(SDL_SCANCODE_Z, true, now - 10));
      events.push_back(Key(SDL_SCANCODE_Z, false, now - 6));
    }
    if (now >= 20000 && ended_by_test == 0) {
      ended_by_test = now;
      g.app.Running = false;  // the screen did not end by itself
    }
  };
  RunResultScreen(g);
  EXPECT_EQ(ended_by_test, 0u);
  EXPECT_GT(tapped_at, 0u);
  EXPECT_LE(clock->NowMs(), tapped_at + frame_ms);
  EXPECT_EQ(g.app.LanePresses[0], 1u);
}

// In play, taps shorter than a frame on two lanes within one 40 ms frame are
// each judged at their own time: 1 ms early (FGREAT) and 20 ms late (2.4
// units at 150 BPM: FGREAT), where the frame's time would make the first one
// up to 39 ms late (GREAT).
TEST_F(ShortTaps, PlayJudgesATapAtItsOwnTime) {
  frame_ms = 40;
  ChartState& c = g.chart;
  c.BPM = 150;
  c.ObjectCount = 3;
  c.Objects[0] = {0, 120, 0, 11, 1, 0};  // 1000 ms after the clock starts
  c.Objects[1] = {0, 120, 0, 12, 1, 0};
  c.Objects[2] = {1, 960, 0, -1, 0, 0};
  c.NoteCount = {2, 0};
  g.app.KeyTable[44] = 11;  // Z
  g.app.KeyTable[31] = 12;  // S
  g.settings.UserPlay = true;
  g.settings.DEMOMode = false;
  ResetPlayState(g);
  PlayState& p = g.play;
  p.PlayStartTime = clock->NowMs();
  p.EffectiveBPM = p.InitialBPM = 150;
  p.PositionRate = 150 / 1250.0;
  p.Playing = true;
  g.app.GameState = Screen::Play;
  const uint32_t due = p.PlayStartTime + 1000;
  bool sent = false;
  on_frame = [&](std::vector<PlatformEvent>& events) {
    const uint32_t now = clock->NowMs();
    if (sent || now < due + 25) return;
    sent = true;
    events.push_back(Key(SDL_SCANCODE_Z, true, due - 1));
    events.push_back(Key(SDL_SCANCODE_Z, false, due + 2));
    events.push_back(Key(SDL_SCANCODE_S, true, due + 20));
    events.push_back(Key(SDL_SCANCODE_S, false, due + 21));
  };
  for (int frame = 0; frame < 100 && p.Playing; ++frame) UpdateFrame(g);
  ASSERT_TRUE(sent);
  const PlayerScore& ps = g.judge.Player[0];
  EXPECT_EQ(ps.CountFGreat, 2);
  EXPECT_EQ(ps.CountGreat + ps.CountGood + ps.CountBad + ps.CountPoor, 0);
  EXPECT_FALSE(g.app.LanePressed[0]);
  EXPECT_FALSE(g.app.LanePressed[1]);
}

}  // namespace
}  // namespace kvx
