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

struct SdlEventSourceOptions {
  Clock* clock = nullptr;                             // the game clock (timestamps)
  std::function<uint32_t()> game_window;             // id of the game window (0: any)
  std::function<void(const SDL_Event&)> observer;     // sees every SDL event first
};

// Registers the source on the pump; returns its handle (RemoveSource).
int InstallSdlEventSource(EventPump& pump, SdlEventSourceOptions options);

}  // namespace kvx
