#include "media/input.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "media/scancode_table.h"
#include "platform/event_pump.h"
#include "platform/message_box.h"

namespace kvx {
namespace {

constexpr int kJoyBase = 256;
constexpr int kJoyCodes = 40;

void RecordPress(InputState& in, int code, uint32_t when) {
  if (code < 0 || code >= kButtonCodes) return;
  in.press_time[code] = when;
  in.press_known[code] = true;
}

// Queues a press or release; when nobody takes the edges (before the game
// starts) the oldest are dropped.
void RecordEdge(InputState& in, int code, bool down, uint32_t when) {
  if (code < 0 || code >= kButtonCodes) return;
  if (down) RecordPress(in, code, when);
  std::vector<ButtonEdge>& edges = in.edges;
  if (edges.size() >= kMaxButtonEdges) edges.erase(edges.begin());
  edges.push_back({static_cast<int16_t>(code), down, when});
}

// One stick direction held beyond the dead zone of +-100.
void SetDirection(InputState& in, int code, bool was, bool is, uint32_t when) {
  if (was != is) RecordEdge(in, code, is, when);
}

JoystickSlot* SlotOf(InputState& in, int32_t instance_id, int* index = nullptr) {
  for (int j = 0; j < 2; ++j) {
    JoystickSlot& s = in.joy[j];
    if (s.used && s.instance_id == instance_id) {
      if (index) *index = j;
      return &s;
    }
  }
  return nullptr;
}

// Sets one axis or button of a slot, stamping the virtual button codes that
// went down (stick directions count from beyond +-100, as the main loop reads them).
void SetAxis(InputState& in, int j, int axis, int32_t value, uint32_t when) {
  JoystickSnapshot& s = in.joy[j].state;
  int base = kJoyBase + kJoyCodes * j;
  if (axis == 0) {
    SetDirection(in, base + 0, s.x < -100, value < -100, when);
    SetDirection(in, base + 1, s.x > 100, value > 100, when);
    s.x = value;
  } else if (axis == 1) {
    SetDirection(in, base + 2, s.y < -100, value < -100, when);
    SetDirection(in, base + 3, s.y > 100, value > 100, when);
    s.y = value;
  }
}

void SetButton(InputState& in, int j, int button, bool down, uint32_t when) {
  if (button < 0 || button >= 32) return;
  uint8_t& b = in.joy[j].state.buttons[button];
  if (down != (b != 0)) RecordEdge(in, kJoyBase + kJoyCodes * j + 4 + button, down, when);
  b = down ? 0x80 : 0;
}

void ShowJoystickFailure(InputState& in, const InputLinks& links) {
  if (!in.joy_failure || in.joy_failure_shown) return;
  in.joy_failure_shown = true;
  links.services.Log("Error: Joystick initialization failed.");
  ShowMessageBox("korvex", links.joystick_failure_text, MessageBoxKind::Warning,
                 !links.headless && DisplayAvailable());
}

void FreeSlot(InputState& in, int j) {
  JoystickSlot& s = in.joy[j];
  if (s.device) SDL_JoystickClose(s.device);
  s = JoystickSlot{};
}

// A new device: it takes the first free slot; without one (a third device)
// or when it cannot be opened, the failure box is shown (once).
void AttachJoystick(InputState& in, const InputLinks& links, int device_index, bool show_failure) {
  int32_t id = device_index;
  if (in.sdl_joysticks) {
    id = SDL_JoystickGetDeviceInstanceID(device_index);
    if (id < 0) {
      links.services.Log("Joystick " + std::to_string(device_index) + ": " + SDL_GetError());
      in.joy_failure = true;
      if (show_failure) ShowJoystickFailure(in, links);
      return;
    }
  }
  if (std::find(in.attached.begin(), in.attached.end(), id) != in.attached.end()) return;
  in.attached.push_back(id);
  int free_slot = in.joy[0].used ? (in.joy[1].used ? -1 : 1) : 0;
  if (free_slot < 0) {
    links.services.Log("Joystick " + std::to_string(device_index) + ": only two joysticks can be used");
    in.joy_failure = true;
    if (show_failure) ShowJoystickFailure(in, links);
    return;
  }
  JoystickSlot slot;
  slot.used = true;
  slot.instance_id = id;
  if (in.sdl_joysticks) {
    slot.device = SDL_JoystickOpen(device_index);
    if (!slot.device) {
      links.services.Log("Joystick " + std::to_string(device_index) + " can't be opened: " + SDL_GetError());
      in.joy_failure = true;
      if (show_failure) ShowJoystickFailure(in, links);
      return;
    }
    const char* name = SDL_JoystickName(slot.device);
    links.services.Log("Joystick " + std::to_string(free_slot + 1) + " [" + (name ? name : "?") + "] Initialized");
  }
  in.joy[free_slot] = slot;
  in.slots_used = std::max(in.slots_used, free_slot + 1);
}

void DetachJoystick(InputState& in, const InputLinks& links, int32_t instance_id) {
  in.attached.erase(std::remove(in.attached.begin(), in.attached.end(), instance_id), in.attached.end());
  int j = -1;
  if (SlotOf(in, instance_id, &j)) {
    links.services.Log("Joystick " + std::to_string(j + 1) + " removed");
    // What it held is released.
    const uint32_t now = links.services.NowMs();
    SetAxis(in, j, 0, 0, now);
    SetAxis(in, j, 1, 0, now);
    for (int b = 0; b < 32; ++b) SetButton(in, j, b, false, now);
    FreeSlot(in, j);
  }
}

// Reads an opened SDL device into its slot.
void ReadSdlJoystick(InputState& in, const InputLinks& links, int j, uint32_t when) {
  JoystickSlot& s = in.joy[j];
  if (!s.device) return;
  if (!SDL_JoystickGetAttached(s.device)) {
    DetachJoystick(in, links, s.instance_id);
    return;
  }
  int axes = SDL_JoystickNumAxes(s.device);
  for (int a = 0; a < 2 && a < axes; ++a) SetAxis(in, j, a, ScaleJoystickAxis(SDL_JoystickGetAxis(s.device, a)), when);
  int buttons = std::min(SDL_JoystickNumButtons(s.device), 32);
  for (int b = 0; b < buttons; ++b) SetButton(in, j, b, SDL_JoystickGetButton(s.device, b) != 0, when);
}

}  // namespace

int32_t ScaleJoystickAxis(int value) {
  value = std::clamp(value, -32768, 32767);
  return static_cast<int32_t>(std::lround((value + 32768) * 20000.0 / 65535.0)) - 10000;
}

void HandleInputEvent(InputState& in, const InputLinks& links, const PlatformEvent& e) {
  using Kind = PlatformEvent::Kind;
  switch (e.kind) {
    case Kind::KeyDown:
    case Kind::KeyUp: {
      uint8_t code = KeyCodeOfScancode(e.code);
      if (code == 0) return;
      const bool down = e.kind == Kind::KeyDown;
      if (down != (in.keys[code] != 0)) RecordEdge(in, code, down, e.timestamp_ms);
      in.keys[code] = down ? 0x80 : 0;
      return;
    }
    case Kind::JoyAdded:
      AttachJoystick(in, links, e.code, true);
      return;
    case Kind::JoyRemoved:
      DetachJoystick(in, links, e.code);
      return;
    case Kind::JoyButtonDown:
    case Kind::JoyButtonUp: {
      int j = -1;
      if (SlotOf(in, e.code, &j)) SetButton(in, j, e.x, e.kind == Kind::JoyButtonDown, e.timestamp_ms);
      return;
    }
    case Kind::JoyAxis: {
      int j = -1;
      if (SlotOf(in, e.code, &j)) SetAxis(in, j, e.x, ScaleJoystickAxis(e.y), e.timestamp_ms);
      return;
    }
    default:
      return;
  }
}

void InitDI_Keyboard(InputState& in, EventPump& pump, const Services& services,
                     const std::function<void(const PlatformEvent&)>& listener) {
  services.Log("[InitDI_Keyboard]");
  in.keys.fill(0);
  in.press_known.fill(false);
  in.edges.clear();
  if (!in.keyboard_listener) in.keyboard_listener = pump.AddListener(listener);
  in.keyboard_ready = true;
  services.Log("DirectInput [Keyboard] Initialized");
}

void InitJoysticks(InputState& in, const InputLinks& links) {
  if (links.headless) {
    links.services.Log("Joysticks: headless run, scripted devices only");
  } else {
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
      links.services.Log(std::string("Joysticks unavailable: ") + SDL_GetError());
    } else {
      in.sdl_joysticks = true;
      int n = SDL_NumJoysticks();
      links.services.Log("Joysticks attached: " + std::to_string(std::max(n, 0)));
      for (int i = 0; i < n; ++i) AttachJoystick(in, links, i, false);
      ShowJoystickFailure(in, links);
    }
  }
}

void ReleaseInput(InputState& in, EventPump& pump) {
  if (in.keyboard_listener) pump.RemoveListener(in.keyboard_listener);
  in.keyboard_listener = 0;
  in.keyboard_ready = false;
  in.keys.fill(0);
  in.edges.clear();
  for (int j = 0; j < 2; ++j) FreeSlot(in, j);
  in.attached.clear();
  in.slots_used = 0;
  if (in.sdl_joysticks) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  in.sdl_joysticks = false;
}

void PollJoysticks(InputState& in, const InputLinks& links) {
  if (!in.sdl_joysticks) return;
  // With joystick events on (SDL's default), every press and release arrives
  // as an event with its own time; reading the state here as well would stamp
  // a press with the poll's time and could merge a short one away.
  const bool events = SDL_JoystickEventState(SDL_QUERY) == SDL_ENABLE;
  if (!events) SDL_JoystickUpdate();
  uint32_t now = links.services.NowMs();
  for (int j = 0; j < 2; ++j) {
    JoystickSlot& s = in.joy[j];
    if (!s.used || !s.device) continue;
    if (!SDL_JoystickGetAttached(s.device)) DetachJoystick(in, links, s.instance_id);
    else if (!events) ReadSdlJoystick(in, links, j, now);
  }
}

void ReadKeyboardState(const InputState& in, uint8_t keys[256]) { std::copy(in.keys.begin(), in.keys.end(), keys); }

uint32_t KeyPressTime(const InputState& in, int code, uint32_t nowMs) {
  if (code >= 0 && code < kButtonCodes && in.press_known[code]) return in.press_time[code];
  return nowMs;
}

std::vector<ButtonEdge> TakeButtonEdges(InputState& in) {
  std::vector<ButtonEdge> taken;
  taken.swap(in.edges);
  return taken;
}

int JoystickCount(const InputState& in) { return std::max(static_cast<int>(in.attached.size()), in.slots_used); }

JoystickSnapshot ReadJoystick(const InputState& in, int index) {
  if (index < 0 || index >= 2 || !in.joy[index].used) return {};
  return in.joy[index].state;
}

}  // namespace kvx
