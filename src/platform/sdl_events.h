#pragma once
// The SDL event source of the event pump: drains SDL's queue and turns the
// events into PlatformEvents (keys by SDL scancode, typed text, mouse, dropped
// files, window hidden/shown, joysticks, quit) stamped on the game clock.
#include <SDL.h>

#include <cstdint>
#include <functional>

#include "platform/event_pump.h"

namespace kvx {

// `game_window_id` filters window events (0: any window). Returns false when
// the event has no PlatformEvent form (it may still be seen by an observer).
bool TranslateSdlEvent(const SDL_Event& event, uint32_t game_window_id, PlatformEvent* out);

// The character a key press types besides text (as a window's key-press event
// delivers it): 8 for Backspace, 13 for Enter, 27 for Escape; 0 for any other
// event. Held keys repeat it.
char ControlCharacterOf(const SDL_Event& event);

// The time of an SDL event on the game clock: now minus the event's age.
uint32_t SdlEventTime(uint32_t sdl_event_ms, uint32_t sdl_now_ms, uint32_t game_now_ms);

// Maps the X server's event times (milliseconds) to their age. A server on
// this machine stamps with the system's monotonic clock, so the age is read
// from that clock directly. Otherwise the offset to SDL's clock is taken from
// the event that arrived soonest after it happened, so a press that waited in
// the queue while a frame was drawn keeps the time it was made; an offset
// that would make an event older than a second is not trusted: it starts
// again from that event.
class ServerTimeMap {
 public:
  // How long ago, in ms, the event stamped `server_ms` happened, seen at SDL
  // time `sdl_now_ms` and monotonic time `monotonic_now_ms` (ms, 32 bits).
  uint32_t AgeOf(uint32_t server_ms, uint32_t sdl_now_ms, uint32_t monotonic_now_ms);
  // The system's monotonic clock in ms, as an X server on this machine reads it.
  static uint32_t MonotonicMs();

 private:
  bool known_ = false;
  uint32_t offset_ = 0;  // sdl time - server time of the quickest event
};

// The game clock and the monotonic clock read within one millisecond of the
// latter: the real game clock then differs from it by a whole number of
// milliseconds, so an event's age in monotonic ms is its age on the game clock.
uint32_t GameAndMonotonicNow(Clock* clock, uint32_t* monotonic_ms);

// The X server's time of a key press or release carried by a window-system
// event (SDL_SYSWMEVENT); false for any other event.
bool ServerKeyTime(const SDL_Event& event, uint32_t* server_ms);

struct SdlEventSourceOptions {
  Clock* clock = nullptr;                             // the game clock (timestamps)
  std::function<uint32_t()> game_window;             // id of the game window (0: any)
  std::function<void(const SDL_Event&)> observer;     // sees every SDL event first
  std::function<bool()> server_times;                 // false: keys keep SDL's own stamps
};

// Registers the source on the pump, and SDL's event wait as the pump's waiter;
// returns its handle (RemoveSource). Key presses on X11 carry the X server's
// time of the press.
int InstallSdlEventSource(EventPump& pump, SdlEventSourceOptions options);

}  // namespace kvx
