#pragma once
// The display as the game drives it: these unpack the game into what the
// display routines of media/ take (its state, the pump, the services, the
// options) and add the game's own part (the screens' pictures, pausing a play
// when the display is lost, the loading screen's course line).
#include <string>

#include "media/display.h"

namespace kvx {

struct Game;

// The command-line options and settings the display reads.
DisplayOptions DisplayOptionsOf(const Game& game);

void InitDX(Game& game);
void ShowGameWindow(Game& game);
void InitDD(Game& game);
void CreateSurfaces(Game& game);
void ShowStartupText(Game& game, const std::string& text);
// Loads the pictures of the song select and result screens.
void LoadSS(Game& game);
void PreparePreviewSurface(Game& game);
// Draws the message line and the FPS figure, presents the frame, polls the
// joysticks and counts the frame.
void PresentFrame(Game& game, bool noVSync = false);
bool RestFrame(Game& game);
// True when the display is usable this frame (the play loop skips drawing
// otherwise). A lost display pauses a running play; when it comes back the
// surfaces, the skin and the screens' pictures are made again and a play the
// loss paused resumes.
bool CheckDisplay(Game& game);
// Draws one frame of the loading screen.
void Loading(Game& game);
// The result screens' moving tiles (not under DRAWLIMIT 3 or more).
void DrawScrollingTiles(Game& game, const Rect& covered = {});
void ReleaseDirectX(Game& game);

}  // namespace kvx
