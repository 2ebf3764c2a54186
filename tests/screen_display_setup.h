#pragma once
// The display of a game made ready for the screens as the program's start-up
// makes it: start-up settings without preview or sleeping, the window (or the
// dummy display), its surfaces, the song-select pictures, the preview surface
// and the default skin's places.
#include "app/display_game.h"
#include "app/game.h"
#include "app/settings.h"
#include "app/skin_loading.h"
#include "app/startup.h"
#include "media/display.h"
#include "media/skin.h"
#include "screens/song_preview.h"

namespace kvx::test {

inline void StartScreensDisplay(Game& g) {
  g.settings.BMSPreview = false;
  g.settings.Sleep = 0;
  SetStartupValues(g);
  SetBuiltInRects(g);
  InitDX(g);
  ShowGameWindow(g);
  InitDD(g);
  CreateSurfaces(g);
  LoadSS(g);
  PreparePreviewSurface(g);
  LoadRectData(g, DefaultSkinPath(g));
}

}  // namespace kvx::test
