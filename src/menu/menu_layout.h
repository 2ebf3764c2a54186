#pragma once
// The layout of the startup menu's controls, drawn with Dear ImGui.
#include <string>
#include <vector>

namespace kvx {

struct Game;

// What a click asked for that runs after the frame has been drawn.
enum class MenuAction { None, StartSearch, KeyConfig, StartGame, Calibrate, HostBattle, JoinBattle };

constexpr int kMenuWidth = 640;
constexpr int kMenuHeight = 340;         // before the first frame has measured the controls
constexpr float kFolderListHeight = 150;  // the search panel's folder list

// Draws every control into the current frame; changes take effect at once,
// long actions are returned. The height the controls need is left in
// MenuState::content_height (the window follows it, so it grows when the
// search panel opens).
MenuAction DrawStartupMenu(Game& game);
// Every fixed text of the window, for the font's characters.
std::vector<std::string> MenuWindowTexts();

}  // namespace kvx
