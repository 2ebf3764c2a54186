#pragma once
// What song select tells and shows of a battle session.
namespace kvx {

struct Game;

// Sends the song under the cursor to the other players; with `ready` the song
// is decided. Nothing happens outside a session.
void SendCurSongData(Game& game, bool ready);
// Draws the other players' panel on the song select screen.
void DrawNetPlayersPanel(Game& game);

}  // namespace kvx
