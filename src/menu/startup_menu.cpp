#include "menu/startup_menu.h"

#include "app/game.h"
#include "app/startup.h"

namespace kvx {

void LoadStartupMenu(Game& g) { g.menu.visible = false; }

// Until the menu window exists the game starts as if its start button had
// been pressed at once.
void ShowStartupMenu(Game& g) {
  g.menu.visible = true;
  Start(g);
}

void HideStartupMenu(Game& g) { g.menu.visible = false; }

}  // namespace kvx
