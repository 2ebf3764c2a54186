#include "platform/event_pump.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(EventPump, TimersFireOnlyInsideThePumpAndNeverReenter) {
  ScriptedClock clock;
  EventPump pump(&clock);
  std::vector<std::pair<int, uint32_t>> fired;
  pump.SetTimer(5, 20, [&] { fired.emplace_back(5, clock.NowMs()); });
  pump.SetTimer(2, 1, [&] { fired.emplace_back(2, clock.NowMs()); });
  clock.Advance(25);  // nothing fires without a pump
  EXPECT_TRUE(fired.empty());
  pump.Pump();
  EXPECT_EQ(fired, (std::vector<std::pair<int, uint32_t>>{{5, 25}, {2, 25}}));
  pump.SetTimer(5, 100, [&] { fired.emplace_back(50, clock.NowMs()); });  // restart replaces
  EXPECT_EQ(pump.TimerInterval(5), 100u);
  pump.KillTimer(2);
  pump.KillTimer(99);  // unknown: nothing happens
  clock.Advance(99);
  pump.Pump();
  EXPECT_EQ(fired.size(), 2u);
  clock.Advance(1);
  pump.Pump();
  EXPECT_EQ(fired.back(), (std::pair<int, uint32_t>{50, 125}));

  // A timer whose callback runs a nested loop is not re-entered.
  int depth = 0, max_depth = 0, calls = 0;
  pump.SetTimer(7, 1, [&] {
    ++calls;
    max_depth = std::max(max_depth, ++depth);
    for (int i = 0; i < 3; ++i) {
      clock.Advance(5);
      pump.Pump();
    }
    --depth;
  });
  clock.Advance(1);
  pump.Pump();
  EXPECT_EQ(max_depth, 1);
  EXPECT_EQ(calls, 1);
}

TEST(EventPump, EventsReachEveryListenerInOrder) {
  EventPump pump;
  std::vector<std::string> seen;
  pump.AddSource([](std::vector<PlatformEvent>& out) {
    PlatformEvent e;
    e.kind = PlatformEvent::Kind::KeyDown;
    e.code = 29;
    out.push_back(e);
  });
  int id = pump.AddListener([&](const PlatformEvent& e) { seen.push_back("a" + std::to_string(e.code)); });
  pump.AddListener([&](const PlatformEvent& e) { seen.push_back("b" + std::to_string(e.code)); });
  PlatformEvent injected;
  injected.kind = PlatformEvent::Kind::DropFile;
  injected.code = 1;
  pump.Inject(injected);
  pump.Pump();
  EXPECT_EQ(seen, (std::vector<std::string>{"a1", "b1", "a29", "b29"}));
  pump.RemoveListener(id);
  pump.Pump();
  EXPECT_EQ(seen.back(), "b29");
  EXPECT_EQ(seen.size(), 5u);
}

}  // namespace
}  // namespace kvx

namespace kvx {
namespace {

// A clock that follows "real time" as the test moves it: waiting moves it.
class SteppedRealClock : public ScriptedClock {
 public:
  using ScriptedClock::ScriptedClock;
  bool RealTime() const override { return true; }
  bool FollowsWallClock() const override { return true; }
};

TEST(EventPump, WaitUntilHandlesEachEventAsItArrives) {
  SteppedRealClock clock(1000);
  EventPump pump(&clock);
  // Presses arrive at 1003 and 1011; the frame's deadline is 1016.
  std::vector<uint32_t> arrivals = {1003, 1011};
  size_t next = 0;
  pump.AddSource([&](std::vector<PlatformEvent>& out) {
    while (next < arrivals.size() && arrivals[next] <= clock.NowMs()) {
      PlatformEvent e;
      e.kind = PlatformEvent::Kind::KeyDown;
      e.timestamp_ms = clock.NowMs();  // stamped when read, like SDL's own stamps
      out.push_back(e);
      ++next;
    }
  });
  std::vector<uint32_t> handled_at, stamps;
  pump.AddListener([&](const PlatformEvent& e) {
    handled_at.push_back(clock.NowMs());
    stamps.push_back(e.timestamp_ms);
  });
  // The waiter sleeps until the next arrival or the timeout, like SDL_WaitEventTimeout.
  std::vector<uint32_t> timeouts;
  pump.SetWaiter([&](uint32_t timeout) {
    timeouts.push_back(timeout);
    if (next < arrivals.size() && arrivals[next] - clock.NowMs() <= timeout) {
      clock.Set(arrivals[next]);
      return true;
    }
    clock.Advance(timeout);
    return false;
  });
  pump.WaitUntil(1016);
  EXPECT_EQ(clock.NowMs(), 1016u);
  EXPECT_EQ(handled_at, (std::vector<uint32_t>{1003, 1011}));
  EXPECT_EQ(stamps, (std::vector<uint32_t>{1003, 1011}));
  EXPECT_EQ(timeouts, (std::vector<uint32_t>{16, 13, 5}));
  EXPECT_EQ(pump.EventsDispatched(), 2u);

  // A deadline already passed returns at once.
  pump.WaitUntil(1010);
  EXPECT_EQ(clock.NowMs(), 1016u);

  // On a scripted clock the waiter is not used: one sleep, one pump at the deadline.
  ScriptedClock scripted(2000);
  EventPump frame_pump(&scripted);
  int pumps = 0;
  frame_pump.AddSource([&](std::vector<PlatformEvent>&) { ++pumps; });
  frame_pump.SetWaiter([](uint32_t) -> bool { ADD_FAILURE() << "waited on a scripted clock"; return false; });
  frame_pump.WaitUntil(2016);
  EXPECT_EQ(scripted.NowMs(), 2016u);
  EXPECT_EQ(pumps, 1);
}

}  // namespace
}  // namespace kvx
