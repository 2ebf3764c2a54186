#pragma once
// The players' panel of a battle, drawn onto the back surface.
#include "app/app_state.h"

namespace kvx {

struct Game;

// Where song select shows the panel (its top-left corner): over the stage
// picture, which matters less than the others' choices during a battle.
constexpr int kNetPanelSongSelectX = 16, kNetPanelSongSelectY = 40;

// The panel's box at (x, y) for the current players; with_songs adds each
// player's chosen song under the name.
Rect NetPanelRect(const Game& game, int x, int y, bool with_songs);
void DrawNetPanelAt(Game& game, int x, int y, bool with_songs);
// On the play and result screens, at the skin's network positions.
void DrawNetPlayPanel(Game& game);

}  // namespace kvx
