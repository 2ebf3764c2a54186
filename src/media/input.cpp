#include "media/input.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "app/game.h"
#include "media/scancode_table.h"
#include "platform/event_pump.h"
#include "platform/message_box.h"
#include "play/options.h"

namespace kvx {
namespace {

constexpr int kJoyBase = 256;
constexpr int kJoyCodes = 40;

void RecordPress(Game& g, int code, uint32_t when) {
  if (code < 0 || code >= kButtonCodes) return;
  g.input.press_time[code] = when;
  g.input.press_known[code] = true;
}

// Queues a press or release; when nobody takes the edges (before the game
// starts) the oldest are dropped.
void RecordEdge(Game& g, int code, bool down, uint32_t when) {
  if (code < 0 || code >= kButtonCodes) return;
  if (down) RecordPress(g, code, when);
  std::vector<ButtonEdge>& edges = g.input.edges;
  if (edges.size() >= kMaxButtonEdges) edges.erase(edges.begin());
  edges.push_back({static_cast<int16_t>(code), down, when});
}

// One stick direction held beyond the dead zone of +-100.
void SetDirection(Game& g, int code, bool was, bool is, uint32_t when) {
  if (was != is) RecordEdge(g, code, is, when);
}

JoystickSlot* SlotOf(Game& g, int32_t instance_id, int* index = nullptr) {
  for (int j = 0; j < 2; ++j) {
    JoystickSlot& s = g.input.joy[j];
    if (s.used && s.instance_id == instance_id) {
      if (index) *index = j;
      return &s;
    }
  }
  return nullptr;
}

// Sets one axis or button of a slot, stamping the virtual button codes that
// went down (stick directions count from beyond +-100, as the main loop reads them).
void SetAxis(Game& g, int j, int axis, int32_t value, uint32_t when) {
  JoystickSnapshot& s = g.input.joy[j].state;
  int base = kJoyBase + kJoyCodes * j;
  if (axis == 0) {
    SetDirection(g, base + 0, s.x < -100, value < -100, when);
    SetDirection(g, base + 1, s.x > 100, value > 100, when);
    s.x = value;
  } else if (axis == 1) {
    SetDirection(g, base + 2, s.y < -100, value < -100, when);
    SetDirection(g, base + 3, s.y > 100, value > 100, when);
    s.y = value;
  }
}

void SetButton(Game& g, int j, int button, bool down, uint32_t when) {
  if (button < 0 || button >= 32) return;
  uint8_t& b = g.input.joy[j].state.buttons[button];
  if (down != (b != 0)) RecordEdge(g, kJoyBase + kJoyCodes * j + 4 + button, down, when);
  b = down ? 0x80 : 0;
}

void ShowJoystickFailure(Game& g) {
  if (!g.input.joy_failure || g.input.joy_failure_shown) return;
  g.input.joy_failure_shown = true;
  DebugLog(g, "Error: Joystick initialization failed.");
  ShowMessageBox("korvex", "ジョイスティック初期化失敗…あらら?", MessageBoxKind::Warning,
                 !g.options.headless && DisplayAvailable());
}

void FreeSlot(Game& g, int j) {
  JoystickSlot& s = g.input.joy[j];
  if (s.device) SDL_JoystickClose(s.device);
  s = JoystickSlot{};
}

// A new device: it takes the first free slot; without one (a third device)
// or when it cannot be opened, the failure box is shown (once).
void AttachJoystick(Game& g, int device_index, bool show_failure) {
  InputState& in = g.input;
  int32_t id = device_index;
  if (in.sdl_joysticks) {
    id = SDL_JoystickGetDeviceInstanceID(device_index);
    if (id < 0) {
      DebugLog(g, "Joystick " + std::to_string(device_index) + ": " + SDL_GetError());
      in.joy_failure = true;
      if (show_failure) ShowJoystickFailure(g);
      return;
    }
  }
  if (std::find(in.attached.begin(), in.attached.end(), id) != in.attached.end()) return;
  in.attached.push_back(id);
  int free_slot = in.joy[0].used ? (in.joy[1].used ? -1 : 1) : 0;
  if (free_slot < 0) {
    DebugLog(g, "Joystick " + std::to_string(device_index) + ": only two joysticks can be used");
    in.joy_failure = true;
    if (show_failure) ShowJoystickFailure(g);
    return;
  }
  JoystickSlot slot;
  slot.used = true;
  slot.instance_id = id;
  if (in.sdl_joysticks) {
    slot.device = SDL_JoystickOpen(device_index);
    if (!slot.device) {
      DebugLog(g, "Joystick " + std::to_string(device_index) + " can't be opened: " + SDL_GetError());
      in.joy_failure = true;
      if (show_failure) ShowJoystickFailure(g);
      return;
    }
    const char* name = SDL_JoystickName(slot.device);
    DebugLog(g, "Joystick " + std::to_string(free_slot + 1) + " [" + (name ? name : "?") + "] Initialized");
  }
  in.joy[free_slot] = slot;
  in.slots_used = std::max(in.slots_used, free_slot + 1);
}

void DetachJoystick(Game& g, int32_t instance_id) {
  InputState& in = g.input;
  in.attached.erase(std::remove(in.attached.begin(), in.attached.end(), instance_id), in.attached.end());
  int j = -1;
  if (SlotOf(g, instance_id, &j)) {
    DebugLog(g, "Joystick " + std::to_string(j + 1) + " removed");
    // What it held is released.
    const uint32_t now = g.NowMs();
    SetAxis(g, j, 0, 0, now);
    SetAxis(g, j, 1, 0, now);
    for (int b = 0; b < 32; ++b) SetButton(g, j, b, false, now);
    FreeSlot(g, j);
  }
}

// Reads an opened SDL device into its slot.
void ReadSdlJoystick(Game& g, int j, uint32_t when) {
  JoystickSlot& s = g.input.joy[j];
  if (!s.device) return;
  if (!SDL_JoystickGetAttached(s.device)) {
    DetachJoystick(g, s.instance_id);
    return;
  }
  int axes = SDL_JoystickNumAxes(s.device);
  for (int a = 0; a < 2 && a < axes; ++a) SetAxis(g, j, a, ScaleJoystickAxis(SDL_JoystickGetAxis(s.device, a)), when);
  int buttons = std::min(SDL_JoystickNumButtons(s.device), 32);
  for (int b = 0; b < buttons; ++b) SetButton(g, j, b, SDL_JoystickGetButton(s.device, b) != 0, when);
}

}  // namespace

int32_t ScaleJoystickAxis(int value) {
  value = std::clamp(value, -32768, 32767);
  return static_cast<int32_t>(std::lround((value + 32768) * 20000.0 / 65535.0)) - 10000;
}

void HandleInputEvent(Game& g, const PlatformEvent& e) {
  using Kind = PlatformEvent::Kind;
  InputState& in = g.input;
  switch (e.kind) {
    case Kind::KeyDown:
    case Kind::KeyUp: {
      uint8_t code = KeyCodeOfScancode(e.code);
      if (code == 0) return;
      const bool down = e.kind == Kind::KeyDown;
      if (down != (in.keys[code] != 0)) RecordEdge(g, code, down, e.timestamp_ms);
      in.keys[code] = down ? 0x80 : 0;
      return;
    }
    case Kind::JoyAdded:
      AttachJoystick(g, e.code, true);
      return;
    case Kind::JoyRemoved:
      DetachJoystick(g, e.code);
      return;
    case Kind::JoyButtonDown:
    case Kind::JoyButtonUp: {
      int j = -1;
      if (SlotOf(g, e.code, &j)) SetButton(g, j, e.x, e.kind == Kind::JoyButtonDown, e.timestamp_ms);
      return;
    }
    case Kind::JoyAxis: {
      int j = -1;
      if (SlotOf(g, e.code, &j)) SetAxis(g, j, e.x, ScaleJoystickAxis(e.y), e.timestamp_ms);
      return;
    }
    default:
      return;
  }
}

void InitDI_Keyboard(Game& g) {
  DebugLog(g, "[InitDI_Keyboard]");
  InputState& in = g.input;
  in.keys.fill(0);
  in.press_known.fill(false);
  in.edges.clear();
  if (!in.keyboard_listener)
    in.keyboard_listener = g.pump.AddListener([&g](const PlatformEvent& e) { HandleInputEvent(g, e); });
  in.keyboard_ready = true;
  DebugLog(g, "DirectInput [Keyboard] Initialized");
}

void InitJoysticks(Game& g) {
  InputState& in = g.input;
  if (g.options.headless) {
    DebugLog(g, "Joysticks: headless run, scripted devices only");
  } else {
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
      DebugLog(g, std::string("Joysticks unavailable: ") + SDL_GetError());
    } else {
      in.sdl_joysticks = true;
      int n = SDL_NumJoysticks();
      DebugLog(g, "Joysticks attached: " + std::to_string(std::max(n, 0)));
      for (int i = 0; i < n; ++i) AttachJoystick(g, i, false);
      ShowJoystickFailure(g);
    }
  }
}

void ReleaseInput(Game& g) {
  InputState& in = g.input;
  if (in.keyboard_listener) g.pump.RemoveListener(in.keyboard_listener);
  in.keyboard_listener = 0;
  in.keyboard_ready = false;
  in.keys.fill(0);
  in.edges.clear();
  for (int j = 0; j < 2; ++j) FreeSlot(g, j);
  in.attached.clear();
  in.slots_used = 0;
  if (in.sdl_joysticks) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  in.sdl_joysticks = false;
}

void PollJoysticks(Game& g) {
  InputState& in = g.input;
  if (!in.sdl_joysticks) return;
  // With joystick events on (SDL's default), every press and release arrives
  // as an event with its own time; reading the state here as well would stamp
  // a press with the poll's time and could merge a short one away.
  const bool events = SDL_JoystickEventState(SDL_QUERY) == SDL_ENABLE;
  if (!events) SDL_JoystickUpdate();
  uint32_t now = g.NowMs();
  for (int j = 0; j < 2; ++j) {
    JoystickSlot& s = in.joy[j];
    if (!s.used || !s.device) continue;
    if (!SDL_JoystickGetAttached(s.device)) DetachJoystick(g, s.instance_id);
    else if (!events) ReadSdlJoystick(g, j, now);
  }
}

void ReadKeyboardState(Game& g, uint8_t keys[256]) {
  std::copy(g.input.keys.begin(), g.input.keys.end(), keys);
}

uint32_t KeyPressTime(Game& g, int code) {
  if (code >= 0 && code < kButtonCodes && g.input.press_known[code]) return g.input.press_time[code];
  return g.NowMs();
}

std::vector<ButtonEdge> TakeButtonEdges(Game& g) {
  std::vector<ButtonEdge> taken;
  taken.swap(g.input.edges);
  return taken;
}

int JoystickCount(Game& g) {
  return std::max(static_cast<int>(g.input.attached.size()), g.input.slots_used);
}

JoystickSnapshot ReadJoystick(Game& g, int index) {
  if (index < 0 || index >= 2 || !g.input.joy[index].used) return {};
  return g.input.joy[index].state;
}

int16_t ssKeyCvt_Joy(Game& g, int16_t code) {
  if (code < 0 || code >= kKeyTableSize) return code;
  AppState& a = g.app;
  int16_t f = a.KeyTable[code];
  if (f == 0) return code;
  bool lane = (f >= 11 && f <= 19) || (f >= 21 && f <= 29);
  if (!lane) return code;
  a.LanePressed[f - 11] = true;
  int k = f % 10;  // the lane within its side
  if (!a.StarHeld) {
    switch (k) {
      case 6:
      case 7: {
        int16_t nav = k == 6 ? 200 : 208;
        uint32_t now = g.NowMs();
        a.ListAccelCode = nav;
        a.ListAccelPressTime = now;
        a.ListAccelLastTime = now;
        return nav;
      }
      case 2: return 42;
      case 4: return 203;
      case 8: return 15;
      default: return 28;
    }
  }
  switch (k) {
    case 1: return 59;
    case 3: return 60;
    case 4: return 66;
    case 5: return 61;
    case 8: return 88;
    case 9: return 62;
    case 2:
      a.SavedGameState = a.GameState;
      a.GameState = Screen::AutoPlaySetup;
      return 0;
    case 6:
      HiSpeedDown(g);
      return 0;
    case 7:
      HiSpeedUp(g);
      return 0;
    default:
      return 0;
  }
}

}  // namespace kvx
