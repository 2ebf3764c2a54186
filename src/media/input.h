#pragma once
// Input devices: the keyboard and up to two joysticks.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/services.h"

struct _SDL_Joystick;

namespace kvx {

class EventPump;
struct PlatformEvent;

// The state of one joystick as the game reads it: axes in -10000..10000,
// one state byte per button (non-zero while held).
struct JoystickSnapshot {
  int32_t x = 0, y = 0;
  std::array<uint8_t, 32> buttons{};
};

// One of the two joystick slots. A slot keeps its place while its device is
// attached; a removed device frees it and its buttons read as released.
struct JoystickSlot {
  bool used = false;
  int32_t instance_id = -1;       // SDL instance id (the device index for scripted devices)
  _SDL_Joystick* device = nullptr;  // null for scripted devices
  JoystickSnapshot state;
};

constexpr int kButtonCodes = 401;  // keyboard 0..255, joysticks 256 + 40 x j + k
constexpr size_t kMaxButtonEdges = 512;  // edges kept while nobody takes them

// One press or release of a button code, stamped with the time of its event
// on the game clock. The devices report them in the order they happened.
struct ButtonEdge {
  int16_t code = 0;
  bool down = false;
  uint32_t time_ms = 0;
};

struct InputState {
  bool keyboard_ready = false;
  int keyboard_listener = 0;
  std::array<uint8_t, 256> keys{};               // 0x80 while held
  std::array<uint32_t, kButtonCodes> press_time{};  // last press, on the game clock
  std::array<bool, kButtonCodes> press_known{};
  bool sdl_joysticks = false;        // SDL's joystick subsystem is running for us
  std::vector<int32_t> attached;     // instance ids of every attached joystick
  int slots_used = 0;                // slots that have ever held a device (polled while free)
  std::array<JoystickSlot, 2> joy{};
  bool joy_failure = false;          // a device could not be set up (box pending or shown)
  bool joy_failure_shown = false;
  std::vector<ButtonEdge> edges;     // not yet taken by the input routing, oldest first
};

// What the input routines use of the program around them: the log and the
// clock, and whether this is a headless run (no message boxes).
struct InputLinks {
  Services services;
  bool headless = false;
  std::string joystick_failure_text{};  // the message box shown once when the controllers fail to start
};

// Scales an SDL axis value (-32768..32767) to -10000..10000.
int32_t ScaleJoystickAxis(int value);
// Applies one keyboard or joystick event to the device state (the keyboard
// listener calls it; the key configuration window feeds its own events here).
void HandleInputEvent(InputState& input, const InputLinks& links, const PlatformEvent& event);

// Starts the keyboard: its state is cleared and `listener` (which hands the
// pump's events to HandleInputEvent) is registered with the event pump once.
void InitDI_Keyboard(InputState& input, EventPump& pump, const Services& services,
                     const std::function<void(const PlatformEvent&)>& listener);
void InitJoysticks(InputState& input, const InputLinks& links);

// Releases the keyboard and joystick devices (part of ReleaseDirectX).
void ReleaseInput(InputState& input, EventPump& pump);
// Polls every joystick once; PresentFrame calls it once per frame.
void PollJoysticks(InputState& input, const InputLinks& links);

// The keyboard's 256-byte state by key code (0x80 while held).
void ReadKeyboardState(const InputState& input, uint8_t keys[256]);
// When button `code` (keyboard or joystick code) last went down, on the game
// clock, taken from the input event's timestamp; nowMs when unknown.
uint32_t KeyPressTime(const InputState& input, int code, uint32_t nowMs);
// The presses and releases since the last call, oldest first; every one is
// there, however short a press was. A stick direction (codes 256 + 40 x j +
// 0..3) goes down beyond -100 / 100.
std::vector<ButtonEdge> TakeButtonEdges(InputState& input);
// The joysticks in use (at most 2) and their state.
int JoystickCount(const InputState& input);
JoystickSnapshot ReadJoystick(const InputState& input, int index);

}  // namespace kvx
