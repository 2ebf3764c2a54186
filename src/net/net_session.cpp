// The battle session's drawing and sending: with no session set up (NetPlay
// off) there is nothing to send or show.
#include "net/net_session.h"

#include "app/game.h"

namespace kvx {

void SendCurSongData(Game& g, bool ready) {
  if (!g.net.NetPlay) return;
}

void DrawNetPlayersPanel(Game& g) {
  if (!g.net.NetPlay) return;
}

}  // namespace kvx
