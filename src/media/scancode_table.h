#pragma once
// SDL scancodes to the game's keyboard key codes (the classic DirectInput DIK
// numbering: 1 Escape, 2..11 the digits, 28 Enter, 200 Up, ...).
#include <cstdint>

namespace kvx {

// The key code of an SDL scancode; 0 for keys the game has no code for.
uint8_t KeyCodeOfScancode(int scancode);

}  // namespace kvx
