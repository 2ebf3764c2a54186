// Key presses that type a character besides text: the name entries need
// Backspace, Enter and Escape as characters, as a window's key-press event
// delivers them.
#include "platform/sdl_events.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>
// After the test framework: the X11 headers define macros (None, Bool) it uses as names.
#include <SDL_syswm.h>

namespace kvx {
namespace {

SDL_Event KeyEvent(Uint32 type, SDL_Scancode code, bool repeat = false) {
  SDL_Event e{};
  e.type = type;
  e.key.keysym.scancode = code;
  e.key.repeat = repeat;
  return e;
}

TEST(SdlEvents, ControlKeysTypeTheirCharacters) {
  EXPECT_EQ(ControlCharacterOf(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE)), 8);
  EXPECT_EQ(ControlCharacterOf(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE, true)), 8);  // held: repeats
  EXPECT_EQ(ControlCharacterOf(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_RETURN)), 13);
  EXPECT_EQ(ControlCharacterOf(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_KP_ENTER)), 13);
  EXPECT_EQ(ControlCharacterOf(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE)), 27);
  EXPECT_EQ(ControlCharacterOf(KeyEvent(SDL_KEYUP, SDL_SCANCODE_RETURN)), 0);
  EXPECT_EQ(ControlCharacterOf(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_A)), 0);  // letters come as text
  // The key press itself is still an event of its own (repeats are not).
  PlatformEvent p;
  ASSERT_TRUE(TranslateSdlEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_RETURN), 0, &p));
  EXPECT_EQ(p.kind, PlatformEvent::Kind::KeyDown);
  EXPECT_FALSE(TranslateSdlEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE, true), 0, &p));
}

TEST(SdlEvents, ServerTimesGiveEachPressItsAge) {
  // A server on this machine: its times are the monotonic clock's.
  ServerTimeMap local;
  EXPECT_EQ(local.AgeOf(5000, 105, 5000), 0u);
  EXPECT_EQ(local.AgeOf(5000, 105, 5037), 37u);
  EXPECT_EQ(local.AgeOf(5002, 105, 5000), 0u);   // its coarse clock a little ahead
  EXPECT_EQ(local.AgeOf(0xFFFFFFF0u, 1, 5), 21u);  // across the wrap
  // A server elsewhere: the offset of the quickest event.
  constexpr uint32_t kFar = 0x80000000u;  // the monotonic clock tells nothing
  ServerTimeMap map;
  EXPECT_EQ(map.AgeOf(5000, 105, kFar), 0u);   // the first event sets the offset (-4895)
  EXPECT_EQ(map.AgeOf(5100, 230, kFar), 25u);  // waited 25 ms longer in the queue
  EXPECT_EQ(map.AgeOf(5200, 296, kFar), 0u);   // quicker than the first: the new offset
  EXPECT_EQ(map.AgeOf(5300, 396 + 7, kFar), 7u);
  ServerTimeMap wrap;
  EXPECT_EQ(wrap.AgeOf(0xFFFFFFF0u, 10, kFar), 0u);
  EXPECT_EQ(wrap.AgeOf(0x00000010u, 42, kFar), 0u);
  EXPECT_EQ(wrap.AgeOf(0x00000020u, 62, kFar), 4u);
  // An offset that would make an event more than a second old starts again.
  EXPECT_EQ(wrap.AgeOf(0x00001000u, 10000, kFar), 0u);
  EXPECT_EQ(wrap.AgeOf(0x00001010u, 10000 + 16 + 3, kFar), 3u);
}

// The real game clock counts from a whole monotonic millisecond: an X server's
// press time (monotonic ms) converts to game time with no rounding, however
// the two are read against each other.
TEST(SdlEvents, RealClockAndMonotonicClockShareTheirMilliseconds) {
  SteadyClock clock;
  std::set<uint32_t> differences;
  for (int i = 0; i < 400; ++i) {
    std::this_thread::sleep_for(std::chrono::microseconds(37 + (i * 53) % 211));
    uint32_t monotonic = 0;
    const uint32_t game = GameAndMonotonicNow(&clock, &monotonic);
    differences.insert(monotonic - game);
  }
  EXPECT_EQ(differences.size(), 1u) << "the game clock's millisecond starts within the monotonic one";
}

#if defined(SDL_VIDEO_DRIVER_X11)
// The X server's time of a press, carried by the window-system event before
// the key event, stamps the press; a press read late keeps its own time.
TEST(SdlEvents, KeyPressesTakeTheServerTimeOfThePress) {
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0);
  ScriptedClock clock(50000);
  EventPump pump(&clock);
  const int source = InstallSdlEventSource(pump, SdlEventSourceOptions{&clock, nullptr, nullptr, nullptr});
  std::vector<PlatformEvent> seen;
  pump.AddListener([&](const PlatformEvent& e) { seen.push_back(e); });
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  auto press = [](uint32_t server_ms) {
    SDL_SysWMmsg msg{};
    msg.subsystem = SDL_SYSWM_X11;
    msg.msg.x11.event.type = KeyPress;
    msg.msg.x11.event.xkey.time = server_ms;
    SDL_Event wm{};
    wm.type = SDL_SYSWMEVENT;
    wm.syswm.msg = &msg;
    SDL_PushEvent(&wm);
    SDL_Event key = KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_Z);
    key.key.timestamp = SDL_GetTicks();
    SDL_PushEvent(&key);
  };
  const uint32_t base = ServerTimeMap::MonotonicMs() + 0x40000000u;  // a server clock of its own origin
  press(base);       // read at once: sets the offset
  press(base - 40);  // made 40 ms before it: 40 ms old when read
  pump.Pump();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].kind, PlatformEvent::Kind::KeyDown);
  EXPECT_EQ(seen[0].timestamp_ms, 50000u);
  EXPECT_NEAR(50000.0 - seen[1].timestamp_ms, 40.0, 1.0);
  pump.RemoveSource(source);
  pump.SetWaiter(nullptr);
  SDL_QuitSubSystem(SDL_INIT_EVENTS);
}
#endif

}  // namespace
}  // namespace kvx
