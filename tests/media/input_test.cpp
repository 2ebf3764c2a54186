// Keyboard and joystick state from platform events, the key code table, and
// the song list's conversion of lane buttons.
#include "media/input.h"

#include <SDL_scancode.h>
#include <gtest/gtest.h>

#include <memory>

#include "app/game.h"
#include "media/scancode_table.h"
#include "screens/song_select_internal.h"
#include "platform/files.h"
#include "platform_events.h"
#include "test_support.h"

namespace kvx {
namespace {

class InputFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    clock = test::UseHeadlessGame(g, dir.path(), 1000);
    InitDI_Keyboard(g);
    InitJoysticks(g);
  }

  void Send(PlatformEvent::Kind kind, int code, uint32_t t, int x = 0, int y = 0) {
    g.pump.Inject(test::MakeEvent(kind, code, t, x, y));
    g.pump.Pump();
  }

  test::TempFolder dir;
  Game g;
  ScriptedClock* clock = nullptr;
};

// The input routines with only the state they own: the device state, an
// event pump, a log and a scripted clock; no game around them.
class InputPartsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    log.SetPath(dir.path() + "/debug.txt");
    InitDI_Keyboard(input, pump, links.services, [this](const PlatformEvent& e) { HandleInputEvent(input, links, e); });
    InitJoysticks(input, links);
  }
  void TearDown() override { ReleaseInput(input, pump); }

  void Send(PlatformEvent::Kind kind, int code, uint32_t t, int x = 0, int y = 0) {
    pump.Inject(test::MakeEvent(kind, code, t, x, y));
    pump.Pump();
  }
  uint32_t PressTime(int code) { return KeyPressTime(input, code, clock.NowMs()); }

  test::TempFolder dir;
  Logger log;
  ScriptedClock clock{1000};
  EventPump pump;
  InputState input;
  InputLinks links{Services{log, clock}, true};
};

TEST(ScancodeTable, ClassicKeyCodes) {
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_A), 30);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_Z), 44);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_KP_ENTER), 156);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_F12), 88);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_RIGHT), 205);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_ESCAPE), 1);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_1), 2);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_0), 11);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_TAB), 15);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_RETURN), 28);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_LSHIFT), 42);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_RSHIFT), 54);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_SPACE), 57);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_F1), 59);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_F10), 68);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_F11), 87);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_UP), 200);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_PAGEUP), 201);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_LEFT), 203);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_DOWN), 208);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_PAGEDOWN), 209);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_KP_1), 79);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_KP_4), 75);
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_COMMA), 51);
  // Keys without a code, and scancodes out of range.
  EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_UNKNOWN), 0);
  EXPECT_EQ(KeyCodeOfScancode(-1), 0);
  EXPECT_EQ(KeyCodeOfScancode(100000), 0);
  // No two different keys of the main block share a code.
  int seen[256] = {};
  for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_KP_PERIOD; ++sc) {
    if (sc == SDL_SCANCODE_NONUSHASH) continue;  // the same key as backslash on ISO boards
    uint8_t code = KeyCodeOfScancode(sc);
    if (code) ++seen[code];
  }
  for (int c = 1; c < 256; ++c) EXPECT_LE(seen[c], 1) << "code " << c;
}

TEST_F(InputFixture, KeyEventsGiveStateAndPressTimes) {
  std::string log = dir.Read("_kvxfiles/debug.txt");
  EXPECT_NE(log.find("[InitDI_Keyboard]"), std::string::npos);
  EXPECT_NE(log.find("DirectInput [Keyboard] Initialized"), std::string::npos);

  Send(PlatformEvent::Kind::KeyDown, SDL_SCANCODE_Z, 1234);
  Send(PlatformEvent::Kind::KeyDown, SDL_SCANCODE_KP_ENTER, 1240);
  uint8_t keys[256];
  ReadKeyboardState(g, keys);
  EXPECT_EQ(keys[44], 0x80);
  EXPECT_EQ(keys[156], 0x80);
  int held = 0;
  for (int c = 0; c < 256; ++c) held += keys[c] != 0;
  EXPECT_EQ(held, 2);
  EXPECT_EQ(KeyPressTime(g, 44), 1234u);
  EXPECT_EQ(KeyPressTime(g, 156), 1240u);

  // A repeated down keeps the first press time; up clears the byte only.
  Send(PlatformEvent::Kind::KeyDown, SDL_SCANCODE_Z, 1300);
  EXPECT_EQ(KeyPressTime(g, 44), 1234u);
  Send(PlatformEvent::Kind::KeyUp, SDL_SCANCODE_Z, 1350);
  ReadKeyboardState(g, keys);
  EXPECT_EQ(keys[44], 0);
  EXPECT_EQ(keys[156], 0x80);
  EXPECT_EQ(KeyPressTime(g, 44), 1234u);
  Send(PlatformEvent::Kind::KeyDown, SDL_SCANCODE_Z, 1400);
  EXPECT_EQ(KeyPressTime(g, 44), 1400u);

  // Never pressed: now.
  clock->Set(5555);
  EXPECT_EQ(KeyPressTime(g, 30), 5555u);
  EXPECT_EQ(KeyPressTime(g, 999), 5555u);

  // Released devices read nothing.
  ReleaseInput(g);
  ReadKeyboardState(g, keys);
  EXPECT_EQ(keys[156], 0);
  Send(PlatformEvent::Kind::KeyDown, SDL_SCANCODE_A, 6000);
  ReadKeyboardState(g, keys);
  EXPECT_EQ(keys[30], 0);
}

TEST(JoystickAxis, ScaledToTenThousand) {
  EXPECT_EQ(ScaleJoystickAxis(-32768), -10000);
  EXPECT_EQ(ScaleJoystickAxis(32767), 10000);
  EXPECT_EQ(ScaleJoystickAxis(0), 0);
  EXPECT_EQ(ScaleJoystickAxis(-16384), -5000);
  EXPECT_EQ(ScaleJoystickAxis(-100000), -10000);
  EXPECT_EQ(ScaleJoystickAxis(100000), 10000);
}

TEST_F(InputPartsFixture, ScriptedJoysticksHotPlug) {
  using K = PlatformEvent::Kind;
  EXPECT_EQ(JoystickCount(input), 0);
  Send(K::JoyAdded, 0, 1000);
  Send(K::JoyAdded, 1, 1000);
  Send(K::JoyAdded, 1, 1000);  // the same device again is not a new one
  EXPECT_EQ(JoystickCount(input), 2);

  Send(K::JoyButtonDown, 1, 1500, 3);
  Send(K::JoyAxis, 0, 1510, 0, -32768);
  Send(K::JoyAxis, 0, 1520, 1, 32767);
  JoystickSnapshot j0 = ReadJoystick(input, 0), j1 = ReadJoystick(input, 1);
  EXPECT_EQ(j0.x, -10000);
  EXPECT_EQ(j0.y, 10000);
  EXPECT_NE(j1.buttons[3], 0);
  EXPECT_EQ(j1.buttons[2], 0);
  EXPECT_EQ(PressTime(256 + 40 + 4 + 3), 1500u);
  EXPECT_EQ(PressTime(256 + 0), 1510u);  // stick left
  EXPECT_EQ(PressTime(256 + 3), 1520u);  // stick down
  Send(K::JoyButtonDown, 1, 1600, 40);  // beyond the 32 buttons: ignored
  EXPECT_EQ(ReadJoystick(input, 1).buttons, j1.buttons);

  // A third device: counted, not used; the failure is remembered.
  Send(K::JoyAdded, 2, 1700);
  EXPECT_EQ(JoystickCount(input), 3);
  EXPECT_TRUE(input.joy_failure);
  EXPECT_NE(dir.Read("debug.txt").find("Error: Joystick initialization failed."), std::string::npos);

  // Removing the second frees its slot: its button reads released, and the
  // slot is still read so that the release is seen.
  Send(K::JoyRemoved, 1, 1800);
  EXPECT_EQ(ReadJoystick(input, 1).buttons[3], 0);
  EXPECT_EQ(JoystickCount(input), 2);
  Send(K::JoyButtonDown, 1, 1810, 5);  // events of a removed device are ignored
  EXPECT_EQ(ReadJoystick(input, 1).buttons[5], 0);
  // A new device fills the free slot.
  Send(K::JoyAdded, 7, 1900);
  Send(K::JoyButtonDown, 7, 1910, 0);
  EXPECT_NE(ReadJoystick(input, 1).buttons[0], 0);
  EXPECT_EQ(ReadJoystick(input, 0).x, -10000);
  EXPECT_EQ(ReadJoystick(input, 5).x, 0);
}

TEST_F(InputFixture, LaneButtonsBecomeListKeys) {
  KeyTableArray& t = g.app.KeyTable;
  for (int f = 11; f <= 29; ++f) t[256 + f] = static_cast<int16_t>(f);  // code 256+f plays f
  t[300] = 0;
  t[301] = 8;
  auto cvt = [&](int f) { return ssKeyCvt_Joy(g, static_cast<int16_t>(256 + f)); };

  clock->Set(4000);
  EXPECT_EQ(cvt(16), 200);
  EXPECT_EQ(g.app.ListAccelCode, 200);
  EXPECT_EQ(g.app.ListAccelPressTime, 4000u);
  EXPECT_EQ(g.app.ListAccelLastTime, 4000u);
  EXPECT_EQ(cvt(27), 208);
  EXPECT_EQ(g.app.ListAccelCode, 208);
  g.app.ListAccelCode = 0;
  EXPECT_EQ(cvt(12), 42);
  EXPECT_EQ(cvt(24), 203);
  EXPECT_EQ(cvt(18), 15);
  for (int f : {11, 13, 15, 19, 21, 23, 25, 29}) EXPECT_EQ(cvt(f), 28) << f;
  EXPECT_EQ(g.app.ListAccelCode, 0);
  EXPECT_TRUE(g.app.LanePressed[16 - 11]);
  EXPECT_TRUE(g.app.LanePressed[29 - 11]);
  EXPECT_FALSE(g.app.LanePressed[20 - 11]);
  EXPECT_EQ(ssKeyCvt_Joy(g, 300), 300);  // no function: unchanged
  EXPECT_EQ(ssKeyCvt_Joy(g, 301), 301);  // the star button is no list key
  EXPECT_EQ(ssKeyCvt_Joy(g, 1000), 1000);

  g.app.StarHeld = true;
  EXPECT_EQ(cvt(11), 59);
  EXPECT_EQ(cvt(23), 60);
  EXPECT_EQ(cvt(14), 66);
  EXPECT_EQ(cvt(25), 61);
  EXPECT_EQ(cvt(28), 88);
  EXPECT_EQ(cvt(19), 62);
  g.settings.HiSpeed = 1.0f;
  EXPECT_EQ(cvt(16), 0);
  EXPECT_FLOAT_EQ(g.settings.HiSpeed, 0.75f);
  EXPECT_EQ(cvt(27), 0);
  EXPECT_EQ(cvt(17), 0);
  EXPECT_FLOAT_EQ(g.settings.HiSpeed, 1.25f);
  EXPECT_EQ(g.app.ListAccelCode, 0);
  g.app.GameState = Screen::CourseList;
  EXPECT_EQ(cvt(22), 0);
  EXPECT_EQ(g.app.GameState, Screen::AutoPlaySetup);
  EXPECT_EQ(g.app.SavedGameState, Screen::CourseList);
}

}  // namespace
}  // namespace kvx
