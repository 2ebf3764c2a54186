#pragma once
// The input routines seen from the game: fills their links (log, clock,
// headless run) and keeps the old short calls for the screens, the menus and
// the key configuration.
#include <cstdint>
#include <vector>

#include "media/input.h"

namespace kvx {

struct Game;

InputLinks InputLinksOf(Game& game);

void HandleInputEvent(Game& game, const PlatformEvent& event);
// Starts the keyboard; the pump's key events reach HandleInputEvent.
void InitDI_Keyboard(Game& game);
void InitJoysticks(Game& game);
void ReleaseInput(Game& game);
void PollJoysticks(Game& game);
void ReadKeyboardState(Game& game, uint8_t keys[256]);
uint32_t KeyPressTime(Game& game, int code);
std::vector<ButtonEdge> TakeButtonEdges(Game& game);
int JoystickCount(Game& game);
JoystickSnapshot ReadJoystick(Game& game, int index);

}  // namespace kvx
