#pragma once
// Input devices: the keyboard and up to two joysticks.

namespace kvx {

struct Game;

struct InputState {};

void InitDI_Keyboard(Game& game);
void InitJoysticks(Game& game);

}  // namespace kvx
