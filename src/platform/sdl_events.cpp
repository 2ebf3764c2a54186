#include "platform/sdl_events.h"

#include <SDL_syswm.h>

#include <time.h>

#include <algorithm>
#include <memory>

namespace kvx {

uint32_t SdlEventTime(uint32_t sdl_event_ms, uint32_t sdl_now_ms, uint32_t game_now_ms) {
  int32_t age = static_cast<int32_t>(sdl_now_ms - sdl_event_ms);
  if (age < 0) age = 0;  // an event stamped after "now" happened now
  return game_now_ms - static_cast<uint32_t>(age);
}

uint32_t ServerTimeMap::MonotonicMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<uint32_t>(static_cast<uint64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000);
}

uint32_t ServerTimeMap::AgeOf(uint32_t server_ms, uint32_t sdl_now_ms, uint32_t monotonic_now_ms) {
  // The server's coarse clock may read a little ahead of ours.
  const int32_t direct = static_cast<int32_t>(monotonic_now_ms - server_ms);
  if (direct >= -2 && direct <= 1000) return static_cast<uint32_t>(std::max(direct, 0));
  const uint32_t offset = sdl_now_ms - server_ms;
  if (!known_ || static_cast<int32_t>(offset - offset_) < 0) {
    known_ = true;
    offset_ = offset;
  }
  uint32_t age = offset - offset_;
  if (age > 1000) {
    offset_ = offset;
    age = 0;
  }
  return age;
}

uint32_t GameAndMonotonicNow(Clock* clock, uint32_t* monotonic_ms) {
  uint32_t game = 0;
  for (int tries = 0; tries < 3; ++tries) {
    *monotonic_ms = ServerTimeMap::MonotonicMs();
    game = clock ? clock->NowMs() : 0;
    if (ServerTimeMap::MonotonicMs() == *monotonic_ms) break;
  }
  return game;
}

bool ServerKeyTime(const SDL_Event& e, uint32_t* server_ms) {
#if defined(SDL_VIDEO_DRIVER_X11)
  if (e.type != SDL_SYSWMEVENT || !e.syswm.msg || e.syswm.msg->subsystem != SDL_SYSWM_X11) return false;
  const XEvent& x = e.syswm.msg->msg.x11.event;
  if (x.type != KeyPress && x.type != KeyRelease) return false;
  *server_ms = static_cast<uint32_t>(x.xkey.time);
  return true;
#else
  (void)e;
  (void)server_ms;
  return false;
#endif
}

bool TranslateSdlEvent(const SDL_Event& e, uint32_t game_window_id, PlatformEvent* out) {
  using K = PlatformEvent::Kind;
  PlatformEvent p;
  switch (e.type) {
    case SDL_QUIT:
      p.kind = K::Quit;
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (e.key.repeat) return false;  // the game runs its own key repeat
      p.kind = e.type == SDL_KEYDOWN ? K::KeyDown : K::KeyUp;
      p.code = e.key.keysym.scancode;
      break;
    case SDL_TEXTINPUT:
      p.kind = K::TextInput;
      p.text = e.text.text;
      break;
    case SDL_MOUSEBUTTONDOWN:
      p.kind = K::MouseDown;
      p.code = e.button.button;
      p.x = e.button.x;
      p.y = e.button.y;
      break;
    case SDL_MOUSEMOTION:
      p.kind = K::MouseMove;
      p.x = e.motion.xrel;
      p.y = e.motion.yrel;
      break;
    case SDL_DROPFILE:
      if (!e.drop.file) return false;
      p.kind = K::DropFile;
      p.text = e.drop.file;
      break;
    case SDL_WINDOWEVENT:
      if (game_window_id && e.window.windowID != game_window_id) return false;
      switch (e.window.event) {
        case SDL_WINDOWEVENT_HIDDEN:
        case SDL_WINDOWEVENT_MINIMIZED:
          p.kind = K::WindowHidden;
          break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
          p.kind = K::WindowShown;
          break;
        case SDL_WINDOWEVENT_CLOSE:
          p.kind = K::Quit;
          break;
        default:
          return false;
      }
      break;
    case SDL_JOYDEVICEADDED:
      p.kind = K::JoyAdded;
      p.code = e.jdevice.which;
      break;
    case SDL_JOYDEVICEREMOVED:
      p.kind = K::JoyRemoved;
      p.code = e.jdevice.which;
      break;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
      p.kind = e.type == SDL_JOYBUTTONDOWN ? K::JoyButtonDown : K::JoyButtonUp;
      p.code = e.jbutton.which;
      p.x = e.jbutton.button;
      break;
    case SDL_JOYAXISMOTION:
      p.kind = K::JoyAxis;
      p.code = e.jaxis.which;
      p.x = e.jaxis.axis;
      p.y = e.jaxis.value;
      break;
    default:
      return false;
  }
  *out = std::move(p);
  return true;
}

char ControlCharacterOf(const SDL_Event& e) {
  if (e.type != SDL_KEYDOWN) return 0;
  switch (e.key.keysym.scancode) {
    case SDL_SCANCODE_BACKSPACE: return 8;
    case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: return 13;
    case SDL_SCANCODE_ESCAPE: return 27;
    default: return 0;
  }
}

int InstallSdlEventSource(EventPump& pump, SdlEventSourceOptions options) {
  auto opts = std::make_shared<SdlEventSourceOptions>(std::move(options));
  pump.SetWaiter([](uint32_t timeout_ms) {
    if (!SDL_WasInit(SDL_INIT_EVENTS)) {
      SDL_Delay(timeout_ms);
      return false;
    }
    return SDL_WaitEventTimeout(nullptr, static_cast<int>(timeout_ms)) == 1;
  });
  if (SDL_WasInit(SDL_INIT_EVENTS)) SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  // Of the files dropped together only the first one counts.
  struct DropState {
    bool dropping = false, first_taken = false;
  };
  struct KeyTimes {
    ServerTimeMap map;
    bool pending = false;  // the next key event happened at `server_ms`
    uint32_t server_ms = 0;
  };
  return pump.AddSource([opts, drop = DropState{}, keys = KeyTimes{}](std::vector<PlatformEvent>& events) mutable {
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return;
    uint32_t window = opts->game_window ? opts->game_window() : 0;
    bool quit_queued = false;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      if (opts->observer) opts->observer(e);
      if (ServerKeyTime(e, &keys.server_ms)) {
        keys.pending = true;
        continue;
      }
      const bool key_event = e.type == SDL_KEYDOWN || e.type == SDL_KEYUP;
      const bool server_time = key_event && keys.pending && (!opts->server_times || opts->server_times());
      keys.pending = false;
      if (e.type == SDL_DROPBEGIN) drop = {true, false};
      if (e.type == SDL_DROPCOMPLETE) drop = {};
      PlatformEvent p;
      bool translated = TranslateSdlEvent(e, window, &p);
      if (e.type == SDL_DROPFILE || e.type == SDL_DROPTEXT) SDL_free(e.drop.file);
      uint32_t monotonic_now = 0;
      const uint32_t game_now = GameAndMonotonicNow(opts->clock, &monotonic_now);
      const uint32_t sdl_now = SDL_GetTicks();
      uint32_t stamp = server_time ? game_now - keys.map.AgeOf(keys.server_ms, sdl_now, monotonic_now)
                                   : SdlEventTime(e.common.timestamp, sdl_now, game_now);
      if (translated && p.kind == PlatformEvent::Kind::DropFile) {
        if (drop.dropping && drop.first_taken) translated = false;
        drop.first_taken = true;
      }
      if (translated && p.kind == PlatformEvent::Kind::Quit) {
        // Closing the last window sends both a close and a quit event.
        translated = !quit_queued;
        quit_queued = true;
      }
      if (translated) {
        p.timestamp_ms = stamp;
        events.push_back(std::move(p));
      }
      // After the key press, the character it types.
      if (char control = ControlCharacterOf(e)) {
        PlatformEvent typed;
        typed.kind = PlatformEvent::Kind::TextInput;
        typed.text = std::string(1, control);
        typed.timestamp_ms = stamp;
        events.push_back(std::move(typed));
      }
    }
  });
}

}  // namespace kvx
