#pragma once
// The image routines seen from the game: fills their links (log, clock,
// message line, settings, the skin's window) from the game's state, takes
// what the play shows this frame from the judge, and keeps short Game calls
// for the play, the screens and the chart loading.
#include "media/bga.h"

namespace kvx {

struct Game;

BgaLinks BgaLinksOf(Game& game);
// What the play shows in the BGA window now: whether a picture changed, and
// whether the poor picture is still up (it ends one measure after it began).
// Takes the change (judge.BgaChanged) and ends the poor picture.
BgaFrame TakeBgaFrame(Game& game);

void LoadBmp(Game& game, int n);
void LoadCourseBmp(Game& game, int song, int id);
void ComposeBga(Game& game);
void DrawBgaWindow(Game& game);

}  // namespace kvx
