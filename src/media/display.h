#pragma once
// The display: the game window, the surfaces and the text routines.
#include <string>

namespace kvx {

struct Game;

struct DisplayState {};

void InitDX(Game& game);
void ShowGameWindow(Game& game);
void InitDD(Game& game);
void CreateSurfaces(Game& game);
// Clears the back surface, draws text at its top-left corner and presents it.
void ShowStartupText(Game& game, const std::string& text);
void LoadSS(Game& game);
void PreparePreviewSurface(Game& game);
void PresentFrame(Game& game, bool noVSync = false);
void ShowMessage(Game& game, const std::string& text);
void ReleaseDirectX(Game& game);
// Draws one frame of the loading screen.
void Loading(Game& game);

}  // namespace kvx
