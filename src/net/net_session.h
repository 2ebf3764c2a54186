#pragma once
// What song select tells and shows of a battle session.

namespace kvx {

struct Game;

// Sends the song under the cursor to the other players; with `ready` the song
// is decided. Nothing happens outside a session.
void SendCurSongData(Game& game, bool ready);
// Draws the players' panel (names, gauges, J-PTS, in ranking order) on the
// song select, play and result screens. Nothing outside a session.
void DrawNetPlayersPanel(Game& game);

}  // namespace kvx
