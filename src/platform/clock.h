#pragma once
// The millisecond clock that all timing uses. The game reads time only through
// this interface so that tests can run a whole play on a scripted clock.
#include <cstdint>

namespace kvx {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start, wrapping like a 32-bit timer.
  virtual uint32_t NowMs() = 0;
  // Gives up the processor for about ms milliseconds (0 just yields).
  virtual void SleepMs(uint32_t ms) = 0;
  // True when the clock follows the wall clock: frames are then paced to the
  // display's refresh rate. A scripted clock runs frames as fast as it is told.
  virtual bool RealTime() const { return true; }
  // True only for the wall clock itself: waiting for input in real time then
  // moves it (a clock standing in for it in tests moves when slept on).
  virtual bool FollowsWallClock() const { return false; }
};

// The real clock: std::chrono::steady_clock at 1 ms resolution.
class SteadyClock : public Clock {
 public:
  SteadyClock();
  uint32_t NowMs() override;
  void SleepMs(uint32_t ms) override;
  bool FollowsWallClock() const override { return true; }

 private:
  int64_t origin_ns_;
};

// A clock that moves only when told to. Sleeping advances it, so loops that
// sleep or wait for the next frame make progress; `frame_step_ms` is how far a
// zero-length sleep moves it (a frame of a headless run).
class ScriptedClock : public Clock {
 public:
  explicit ScriptedClock(uint32_t start_ms = 0, uint32_t frame_step_ms = 1)
      : now_(start_ms), frame_step_(frame_step_ms) {}
  uint32_t NowMs() override { return now_; }
  void SleepMs(uint32_t ms) override { now_ += ms ? ms : frame_step_; }
  bool RealTime() const override { return false; }
  void Advance(uint32_t ms) { now_ += ms; }
  void Set(uint32_t ms) { now_ = ms; }
  void SetFrameStep(uint32_t ms) { frame_step_ = ms; }

 private:
  uint32_t now_;
  uint32_t frame_step_;
};

}  // namespace kvx
