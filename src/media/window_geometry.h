#pragma once
// The game window's normal place and state, kept for the settings file. The
// display records it as the window moves; the settings read and write it.
#include <cstdint>

namespace kvx {

// Geometry of the game window in twips, as stored under [MainForm].
struct WindowGeometry {
  float Left = 0, Top = 0, Width = 9600, Height = 7200;  // 640x480 at 15 twips per pixel
  int32_t WindowState = 0;                              // 0 normal, 1 minimised, 2 maximised
  bool applied = false;  // LoadSettings moved the window to the stored values
};

}  // namespace kvx
