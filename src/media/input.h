#pragma once
// Input devices: the keyboard and up to two joysticks.
#include <array>
#include <cstdint>

namespace kvx {

struct Game;

// The state of one joystick as the game reads it: axes in -10000..10000,
// one state byte per button (non-zero while held).
struct JoystickSnapshot {
  int32_t x = 0, y = 0;
  std::array<uint8_t, 32> buttons{};
};

struct InputState {};

void InitDI_Keyboard(Game& game);
void InitJoysticks(Game& game);

// Releases the keyboard and joystick devices (part of ReleaseDirectX).
void ReleaseInput(Game& game);
// Polls every joystick once; PresentFrame calls it once per frame.
void PollJoysticks(Game& game);

// The keyboard's 256-byte state by key code (0x80 while held).
void ReadKeyboardState(Game& game, uint8_t keys[256]);
// When button `code` (keyboard or joystick code) last went down, on the game
// clock, taken from the input event's timestamp; now when unknown.
uint32_t KeyPressTime(Game& game, int code);
// The joysticks in use (at most 2) and their state.
int JoystickCount(Game& game);
JoystickSnapshot ReadJoystick(Game& game, int index);

// The song list's conversion of lane buttons into navigation keys.
int16_t ssKeyCvt_Joy(Game& game, int16_t code);

}  // namespace kvx
