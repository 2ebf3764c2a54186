#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace kvx {

static int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The origin is a whole millisecond of the monotonic clock, so a time the
// system stamps in monotonic milliseconds (an X server's event time) is a
// whole number of game milliseconds, with no rounding between the two.
SteadyClock::SteadyClock() : origin_ns_(SteadyNs() / 1000000 * 1000000) {}

uint32_t SteadyClock::NowMs() {
  return static_cast<uint32_t>((SteadyNs() - origin_ns_) / 1000000);
}

void SteadyClock::SleepMs(uint32_t ms) {
  if (ms == 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace kvx
