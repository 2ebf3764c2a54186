#include "app/main_loop.h"

#include "app/game.h"
#include "app/startup.h"

namespace kvx {

// Not built yet: the song list loop arrives with the play issue. Until then
// the window closes as soon as it is ready.
void ListAnm(Game& g) {
  DebugLog(g, "ListAnm (stub)");
  CloseGameWindow(g);
}

void CloseGameWindow(Game& g) {
  g.app.Running = false;
  ExitApp(g);
}

}  // namespace kvx
