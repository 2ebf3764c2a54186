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
