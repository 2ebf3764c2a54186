#pragma once
// Background animation images.

namespace kvx {

struct Game;

struct BgaState {};

// Loads image n (the file named by chart.BmpFile[n]).
void LoadBmp(Game& game, int n);
// Releases the images whose file the newly read chart no longer names.
void ReleaseChangedImages(Game& game);
// Course play: loads chart.CourseBmpFile[song + 128 * id] into the song's
// image table (called through coursebmsdbga while a course is read).
void LoadCourseBmp(Game& game, int song, int id);
// Forgets which chart images are loaded (BMSInit; the surfaces stay cached).
void ClearImageLoadFlags(Game& game);

// Composes the current base and layer images into BgaSurface.
void ComposeBga(Game& game);
// Draws the background animation window of the play screen (poor picture,
// recomposition when dirty, tile modes).
void DrawBgaWindow(Game& game);

// Releases all 256 image surfaces (ReleaseDisplay at shutdown, before the
// renderer that owns them goes away).
void ReleaseBgaSurfaces(Game& game);

}  // namespace kvx
