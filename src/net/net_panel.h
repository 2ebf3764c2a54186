#pragma once
// The players' panel of a battle, drawn onto the back surface.
#include "app/app_state.h"

namespace kvx {

struct Game;

// Where song select shows the panel (its top-left corner).
constexpr int kNetPanelSongSelectX = 436, kNetPanelSongSelectY = 150;

// The panel's box at (x, y) for the current players; with_songs adds each
// player's chosen song under the name.
Rect NetPanelRect(const Game& game, int x, int y, bool with_songs);
int NetPanelRowHeight(bool with_songs);
void DrawNetPanelAt(Game& game, int x, int y, bool with_songs);
// On the play and result screens, at the skin's network positions.
void DrawNetPlayPanel(Game& game);

}  // namespace kvx
