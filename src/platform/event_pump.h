#pragma once
// The one event pump every loop calls once per frame. It drains the event
// sources (the SDL window, scripted input), hands each event to the listeners
// and then runs the window timers that are due: timers fire only here, like the
// window timers of a message loop.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace kvx {

struct PlatformEvent {
  enum class Kind {
    Quit,           // the game window was closed
    KeyDown,        // code = SDL scancode
    KeyUp,
    TextInput,      // text = typed UTF-8 character(s)
    MouseDown,      // code = 1 left, 3 right
    MouseMove,      // x, y = relative motion
    DropFile,       // text = path
    WindowHidden,   // minimised or lost
    WindowShown,
    JoyAdded,       // code = device index
    JoyRemoved,     // code = instance id
    JoyButtonDown,  // code = instance id, x = button
    JoyButtonUp,
    JoyAxis,        // code = instance id, x = axis, y = value
  };
  Kind kind = Kind::Quit;
  int code = 0;
  int x = 0;
  int y = 0;
  uint32_t timestamp_ms = 0;  // when the event happened, on the game clock
  std::string text{};
};

class EventPump {
 public:
  using Source = std::function<void(std::vector<PlatformEvent>&)>;
  using Listener = std::function<void(const PlatformEvent&)>;
  using TimerCallback = std::function<void()>;

  explicit EventPump(Clock* clock = nullptr) : clock_(clock) {}
  void SetClock(Clock* clock) { clock_ = clock; }

  // Sources append their pending events when the pump runs.
  int AddSource(Source source);
  void RemoveSource(int handle);
  int AddListener(Listener listener);
  void RemoveListener(int handle);
  // Queues an event for the next pump (tests and scripted input).
  void Inject(PlatformEvent event);

  // SetTimer/KillTimer semantics: setting an existing id restarts it with the
  // new interval and callback; killing an unknown id does nothing.
  // A `quiet` timer (a per-frame tick) does not count in TimersRun: it does
  // not wake a screen that rests.
  void SetTimer(int id, uint32_t interval_ms, TimerCallback callback, bool quiet = false);
  void KillTimer(int id);
  bool HasTimer(int id) const;
  uint32_t TimerInterval(int id) const;  // 0 when not set
  // When the next timer that counts in TimersRun is due; false when none is set.
  bool NextTimerDue(uint32_t* due) const;

  // Dispatches pending events, then runs due timers. A timer is not re-entered
  // while its own callback runs (a nested loop inside it pumps again).
  void Pump();

  // Waits until the clock reaches `deadline`, pumping as soon as an event
  // arrives, so a press is handled (and stamped) when it comes, not at the
  // next frame. Without a waiter, or on a clock other than the wall clock, it
  // sleeps to the deadline and pumps once.
  void WaitUntil(uint32_t deadline);
  // Blocks up to timeout_ms for an event to arrive; true when one is pending
  // (the SDL source installs SDL_WaitEventTimeout here).
  using Waiter = std::function<bool(uint32_t timeout_ms)>;
  void SetWaiter(Waiter waiter) { waiter_ = std::move(waiter); }
  bool HasWaiter() const { return static_cast<bool>(waiter_); }
  // Events handed to the listeners so far (screens that rest redraw on them).
  uint64_t EventsDispatched() const { return dispatched_; }
  uint64_t TimersRun() const { return timers_run_; }

 private:
  struct Timer {
    int id;
    uint32_t interval;
    uint32_t next_due;
    TimerCallback callback;
    bool running = false;
    bool quiet = false;
  };
  uint32_t Now() const { return clock_ ? clock_->NowMs() : 0; }
  void RunDueTimers();

  Clock* clock_;
  int next_handle_ = 1;
  std::vector<std::pair<int, Source>> sources_;
  std::vector<std::pair<int, Listener>> listeners_;
  std::vector<PlatformEvent> injected_;
  std::vector<Timer> timers_;
  Waiter waiter_;
  uint64_t dispatched_ = 0;
  uint64_t timers_run_ = 0;
};

}  // namespace kvx
