#include "media/display.h"

#include "app/game.h"

namespace kvx {

void InitDX(Game& g) { DebugLog(g, "InitDX (stub)"); }
void ShowGameWindow(Game& g) { DebugLog(g, "ShowGameWindow (stub)"); }
void InitDD(Game& g) { DebugLog(g, "InitDD (stub)"); }
void CreateSurfaces(Game& g) { DebugLog(g, "CreateSurfaces (stub)"); }
void ShowStartupText(Game& g, const std::string& text) { DebugLog(g, "ShowStartupText (stub)"); }
void LoadSS(Game& g) { DebugLog(g, "LoadSS (stub)"); }
void PreparePreviewSurface(Game& g) { DebugLog(g, "PreparePreviewSurface (stub)"); }
void PresentFrame(Game& g, bool noVSync) { g.pump.Pump(); }
void ShowMessage(Game& g, const std::string& text) { DebugLog(g, "ShowMessage (stub)"); }
void ReleaseDirectX(Game& g) {}
void Loading(Game& g) {}

}  // namespace kvx
