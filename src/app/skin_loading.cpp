#include "app/skin_loading.h"

#include "app/game.h"
#include "media/display.h"
#include "media/skin.h"

namespace kvx {

void LoadRectData(Game& g, const std::string& path) {
  g.settings.brd = path;
  if (!ReadSkinFile(g.Services(), g.skin, g.display, path)) return;
  // The background window geometry is shared with the display and the image code.
  const SkinLayout& s = g.skin;
  g.app.BgaX = s.BgaX, g.app.BgaY = s.BgaY, g.app.BgaWidth = s.BgaWidth, g.app.BgaHeight = s.BgaHeight;
  CreateSurfaces(g);
}

}  // namespace kvx
