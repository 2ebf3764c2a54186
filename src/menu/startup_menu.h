#pragma once
// The startup menu shown before the game window: the settings it edits, the
// search folders and the chart search, the key configuration, and the start
// of the game.

namespace kvx {

struct Game;

// Loads the menu: fills its controls from the settings (BMPRelease starts off).
void LoadStartupMenu(Game& game);
// Shows the menu and runs it until the game has been started from it; closing
// it ends the program. Without a display (or with --no-menu) the game starts
// at once, as if its start button had been pressed.
void ShowStartupMenu(Game& game);
// Hides the menu (the game window takes its place).
void HideStartupMenu(Game& game);
// "起動": starts the game. Searches for charts first when no list file exists;
// returns false, leaving the menu open, when that search finds none.
bool cmdNorm_Click(Game& game);
// Closing the menu ends the program (settings and key table are saved).
[[noreturn]] void CloseStartupMenu(Game& game);
// Draws one frame of the menu with every control disabled while a search
// runs; frames come at most every 50 ms. Nothing without a menu window.
void DrawBusyMenuFrame(Game& game);

}  // namespace kvx
