#pragma once
// The startup menu shown before the game window.

namespace kvx {

struct Game;

void LoadStartupMenu(Game& game);
// Shows the menu modally; its start button runs Start. Returns when it is hidden.
void ShowStartupMenu(Game& game);
void HideStartupMenu(Game& game);

}  // namespace kvx
