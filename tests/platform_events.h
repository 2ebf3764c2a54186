#pragma once
// Events as the platform layer delivers them, for scripted input.
#include <cstdint>

#include "platform/event_pump.h"

namespace kvx::test {

inline PlatformEvent MakeEvent(PlatformEvent::Kind kind, int code, uint32_t at = 0, int x = 0, int y = 0) {
  PlatformEvent e;
  e.kind = kind;
  e.code = code;
  e.x = x;
  e.y = y;
  e.timestamp_ms = at;
  return e;
}

// A key pressed (down) or released at `at`; code is an SDL scancode or a DirectInput code, as the
// receiver reads it.
inline PlatformEvent KeyEvent(int code, bool down, uint32_t at) {
  return MakeEvent(down ? PlatformEvent::Kind::KeyDown : PlatformEvent::Kind::KeyUp, code, at);
}

}  // namespace kvx::test
