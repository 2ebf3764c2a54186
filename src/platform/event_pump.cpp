#include "platform/event_pump.h"

#include <algorithm>

namespace kvx {

int EventPump::AddSource(Source source) {
  sources_.emplace_back(next_handle_, std::move(source));
  return next_handle_++;
}

void EventPump::RemoveSource(int handle) {
  std::erase_if(sources_, [&](auto& s) { return s.first == handle; });
}

int EventPump::AddListener(Listener listener) {
  listeners_.emplace_back(next_handle_, std::move(listener));
  return next_handle_++;
}

void EventPump::RemoveListener(int handle) {
  std::erase_if(listeners_, [&](auto& l) { return l.first == handle; });
}

void EventPump::Inject(PlatformEvent event) { injected_.push_back(std::move(event)); }

void EventPump::SetTimer(int id, uint32_t interval_ms, TimerCallback callback, bool quiet) {
  for (auto& t : timers_) {
    if (t.id == id) {
      t.interval = interval_ms;
      t.next_due = Now() + interval_ms;
      t.callback = std::move(callback);
      t.quiet = quiet;
      return;
    }
  }
  timers_.push_back(Timer{id, interval_ms, Now() + interval_ms, std::move(callback), false, quiet});
}

void EventPump::KillTimer(int id) {
  std::erase_if(timers_, [&](const Timer& t) { return t.id == id; });
}

bool EventPump::HasTimer(int id) const {
  return std::any_of(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.id == id; });
}

uint32_t EventPump::TimerInterval(int id) const {
  for (const auto& t : timers_)
    if (t.id == id) return t.interval;
  return 0;
}

bool EventPump::NextTimerDue(uint32_t* due) const {
  bool found = false;
  const uint32_t now = Now();
  for (const auto& t : timers_) {
    if (t.quiet || t.running) continue;
    if (!found || static_cast<int32_t>(t.next_due - now) < static_cast<int32_t>(*due - now)) *due = t.next_due;
    found = true;
  }
  return found;
}

void EventPump::Pump() {
  std::vector<PlatformEvent> events;
  events.swap(injected_);
  // Copies, because a listener may add or remove sources and listeners.
  auto sources = sources_;
  for (auto& [handle, source] : sources) source(events);
  for (const auto& e : events) {
    ++dispatched_;
    auto listeners = listeners_;
    for (auto& [handle, listener] : listeners) listener(e);
  }
  RunDueTimers();
}

void EventPump::WaitUntil(uint32_t deadline) {
  if (!clock_) return;
  if (!waiter_ || !clock_->FollowsWallClock()) {
    const int32_t left = static_cast<int32_t>(deadline - Now());
    if (left > 0) clock_->SleepMs(static_cast<uint32_t>(left));
    Pump();
    return;
  }
  for (;;) {
    const int32_t left = static_cast<int32_t>(deadline - Now());
    if (left <= 0) break;
    if (waiter_(static_cast<uint32_t>(left))) Pump();
  }
}

void EventPump::RunDueTimers() {
  uint32_t now = Now();
  std::vector<int> due;
  for (const auto& t : timers_)
    if (!t.running && static_cast<int32_t>(now - t.next_due) >= 0) due.push_back(t.id);
  for (int id : due) {
    auto it = std::find_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.id == id; });
    if (it == timers_.end()) continue;  // killed by an earlier callback
    it->next_due = now + std::max<uint32_t>(it->interval, 1);
    it->running = true;
    if (!it->quiet) ++timers_run_;
    TimerCallback callback = it->callback;
    callback();
    it = std::find_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.id == id; });
    if (it != timers_.end()) it->running = false;
  }
}

}  // namespace kvx
