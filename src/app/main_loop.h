#pragma once
// The main loop of the game window and the routing of input to the screens.

namespace kvx {

struct Game;

// Runs until the game window is closed (Running false).
void ListAnm(Game& game);
// The game window's closing steps: ExitApp (which ends the program).
[[noreturn]] void CloseGameWindow(Game& game);

}  // namespace kvx
