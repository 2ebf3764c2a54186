// The main loop's input routing: edge detection, key repeat, list
// acceleration, the function mapping of ButtonDown, the lane auto-play setup
// screen, and Shift+Escape.
#include "app/main_loop.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/game.h"
#include "app/startup.h"
#include "library/courses.h"
#include "media/input.h"
#include "platform/files.h"
#include "platform/sdl_events.h"
#include "screens/course_editor.h"
#include "platform_events.h"
#include "test_support.h"

namespace kvx {
namespace {

// A started game on the song list with 100 entries, no display, keyboard
// input from scripted events, one pump per millisecond.
class MainLoopFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    clock = test::UseHeadlessGame(g, dir.path());
    g.settings.BMSPreview = false;
    g.settings.Sleep = 0;
    for (int i = 0; i < 100; ++i) g.library.SongList.push_back(SongEntry{});
    InitDI_Keyboard(g);
    g.app.started = true;
    InstallInputRouting(g);
    g.app.GameState = Screen::SongList;
  }

  void Key(int scancode, bool down) {
    g.pump.Inject(test::KeyEvent(scancode, down, clock->NowMs()));
    g.pump.Pump();
  }

  test::TempFolder dir;
  Game g;
  ScriptedClock* clock = nullptr;
};

TEST(MainLoopRules, ListAccelerationIntervalAndScrollDecay) {
  EXPECT_EQ(ListAccelInterval(300), 500u);
  EXPECT_EQ(ListAccelInterval(1000), 150u);
  EXPECT_EQ(ListAccelInterval(2999), 50u);
  EXPECT_EQ(ListAccelInterval(3000), 50u);
  EXPECT_EQ(ListAccelInterval(10000), 50u);
  // 60 fps keeps 80 % per pass; fast frames keep at most 95 %.
  EXPECT_FLOAT_EQ(DecayListVelocity(10, 60, false), 8.0f);
  EXPECT_FLOAT_EQ(DecayListVelocity(10, 400, false), 9.5f);
  EXPECT_FLOAT_EQ(DecayListVelocity(-2, 60, false), -1.6f);
  // Without smooth scrolling the list stops after one step.
  EXPECT_LT(DecayListVelocity(10, 60, true), 0.01f);
  EXPECT_EQ(DecayListVelocity(0, 60, false), 0.0f);
}

// Holding Down: one step at once, the second just over 350 ms later (300 ms
// wait, then more than 50 ms), then one step every 51 ms; the release stops it.
TEST_F(MainLoopFixture, HeldDownRepeatsAfterTheWait) {
  std::vector<uint32_t> steps;
  int last = g.app.ListCursor;
  bool pressed = false, released = false;
  g.pump.AddSource([&](std::vector<PlatformEvent>& events) {
    clock->Advance(1);
    const uint32_t now = clock->NowMs();
    if (g.app.ListCursor != last) {
      last = g.app.ListCursor;
      steps.push_back(now);
    }
    PlatformEvent e;
    e.code = SDL_SCANCODE_DOWN;
    e.timestamp_ms = now;
    if (!pressed && now >= 100) {
      pressed = true;
      e.kind = PlatformEvent::Kind::KeyDown;
      events.push_back(e);
    } else if (!released && now >= 700) {
      released = true;
      e.kind = PlatformEvent::Kind::KeyUp;
      events.push_back(e);
    } else if (now >= 1000) {
      events.push_back(PlatformEvent{});  // close the window
    }
  });
  EXPECT_THROW(ListAnm(g), ProgramExit);
  ASSERT_GE(steps.size(), 3u);
  EXPECT_LE(steps[0], 104u);  // seen within the frame after the press
  EXPECT_GT(steps[1] - 100, 350u);
  EXPECT_LT(steps[1] - 100, 356u);
  for (size_t i = 2; i < steps.size(); ++i) {
    EXPECT_GE(steps[i] - steps[i - 1], 50u);
    EXPECT_LE(steps[i] - steps[i - 1], 52u);
  }
  EXPECT_LE(steps.back(), 702u);  // nothing after the release
  EXPECT_EQ(g.app.ListCursor, static_cast<int>(steps.size()));
}

TEST_F(MainLoopFixture, FunctionMappingRewritesCodesForTheScreens) {
  // A button of function 7 ("right") reaches the screens as Down, 208.
  g.app.KeyTable[30] = 7;
  int16_t code = 30;
  ButtonDown(g, code);
  EXPECT_EQ(code, 208);
  EXPECT_EQ(g.app.ListCursor, 1);
  // Function 4 is Up.
  g.app.KeyTable[31] = 4;
  code = 31;
  ButtonDown(g, code);
  EXPECT_EQ(code, 200);
  EXPECT_EQ(g.app.ListCursor, 0);
  // The star key is held between its down and up.
  g.app.KeyTable[32] = 8;
  code = 32;
  ButtonDown(g, code);
  EXPECT_TRUE(g.app.StarHeld);
  ButtonUp(g, code);
  EXPECT_FALSE(g.app.StarHeld);

  // On the result screen Escape counts as lane 11; the release clears it.
  g.app.GameState = Screen::Result;
  code = 1;
  ButtonDown(g, code);
  EXPECT_TRUE(g.app.LanePressed[0]);
  g.app.KeyTable[44] = 11;
  code = 44;
  ButtonUp(g, code);
  EXPECT_FALSE(g.app.LanePressed[0]);

  // The lane auto-play setup screen toggles lanes (17 acts as 16) and
  // Escape returns to the screen it was opened from.
  g.app.SavedGameState = Screen::CourseList;
  g.app.GameState = Screen::AutoPlaySetup;
  g.app.KeyTable[45] = 17;
  code = 45;
  ButtonDown(g, code);
  EXPECT_TRUE(g.app.LaneAuto[16 - 11]);
  EXPECT_FALSE(g.app.LaneAuto[17 - 11]);
  ButtonDown(g, code);
  EXPECT_FALSE(g.app.LaneAuto[16 - 11]);
  code = 1;
  ButtonDown(g, code);
  EXPECT_EQ(g.app.GameState, Screen::CourseList);
}

TEST_F(MainLoopFixture, ShiftEscapeSavesTheSettingsAndEnds) {
  g.settings.HiSpeed = 2.5f;
  Key(SDL_SCANCODE_LSHIFT, true);
  EXPECT_TRUE(g.app.ButtonState[42]);
  EXPECT_THROW(Key(SDL_SCANCODE_ESCAPE, true), ProgramExit);
  EXPECT_FALSE(g.app.Running);
  EXPECT_NE(dir.Read("_kvxfiles/kvx_conf.ini").find("HiSpeed=2.5"), std::string::npos);
  EXPECT_EQ(dir.Read("_kvxfiles/kvx_keycnf.dat").size(), 802u);
}

TEST_F(MainLoopFixture, EdgesAreReportedOncePerChange) {
  int downs = 0;
  g.app.KeyTable[44] = 11;
  g.app.GameState = Screen::Result;  // lane presses are visible as LanePressed
  Key(SDL_SCANCODE_Z, true);
  downs += g.app.LanePressed[0];
  g.app.LanePressed[0] = false;
  Key(SDL_SCANCODE_Z, true);  // a repeated key-down event is not a new press
  downs += g.app.LanePressed[0];
  EXPECT_EQ(downs, 1);
  EXPECT_TRUE(g.app.ButtonState[44]);
  Key(SDL_SCANCODE_Z, false);
  EXPECT_FALSE(g.app.ButtonState[44]);
}

}  // namespace
}  // namespace kvx

namespace kvx {
namespace {

// Keys and text through SDL's own queue and the SDL event source, as a player
// types them: Enter on the course editor's name row opens the name entry (the
// Enter arrives once as a key and once as the character 13), letters are
// typed into the name, and the next Enter ends the entry.
TEST_F(MainLoopFixture, CourseNameIsTypedThroughTheSdlEvents) {
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0);
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  SdlEventSourceOptions options;
  options.clock = clock;
  InstallSdlEventSource(g.pump, std::move(options));
  auto key = [&](SDL_Scancode sc, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.scancode = sc;
    SDL_PushEvent(&e);
  };
  auto text = [&](const char* t) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    SDL_strlcpy(e.text.text, t, sizeof e.text.text);
    SDL_PushEvent(&e);
  };
  StartNewCourse(g);
  g.course.CourseName.clear();
  key(SDL_SCANCODE_RETURN, true);
  key(SDL_SCANCODE_RETURN, false);
  g.pump.Pump();
  EXPECT_EQ(g.app.GameState, Screen::CourseNameEntry);
  text("M");
  text("ix");
  key(SDL_SCANCODE_BACKSPACE, true);
  key(SDL_SCANCODE_BACKSPACE, false);
  text("y");
  g.pump.Pump();
  EXPECT_EQ(g.course.CourseName, "Miy");
  EXPECT_EQ(g.app.GameState, Screen::CourseNameEntry);
  key(SDL_SCANCODE_RETURN, true);
  key(SDL_SCANCODE_RETURN, false);
  g.pump.Pump();
  EXPECT_EQ(g.app.GameState, Screen::CourseEditor);
  EXPECT_EQ(g.course.CourseName, "Miy");
  SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

}  // namespace
}  // namespace kvx
