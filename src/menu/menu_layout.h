#pragma once
// The layout of the startup menu's controls, drawn with Dear ImGui.
#include <string>
#include <vector>

namespace kvx {

struct Game;

// What a click asked for that runs after the frame has been drawn.
enum class MenuAction { None, StartSearch, KeyConfig, StartGame };

constexpr int kMenuWidth = 640;
constexpr int kMenuHeight = 360;
constexpr int kSearchPanelHeight = 250;  // the window grows by this when the panel opens

// Draws every control into the current frame; changes take effect at once,
// long actions are returned.
MenuAction DrawStartupMenu(Game& game);
// Every fixed text of the window, for the font's characters.
std::vector<std::string> MenuWindowTexts();

}  // namespace kvx
