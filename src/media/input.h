#pragma once
// Input devices: the keyboard and up to two joysticks.

namespace kvx {

struct Game;

struct InputState {};

void InitDI_Keyboard(Game& game);
void InitJoysticks(Game& game);

// Releases the keyboard and joystick devices (part of ReleaseDirectX).
void ReleaseInput(Game& game);
// Polls every joystick once; PresentFrame calls it once per frame.
void PollJoysticks(Game& game);

}  // namespace kvx
