#pragma once
// Background animation images.

namespace kvx {

struct Game;

struct BgaState {};

// Loads image n (the file named by chart.BmpFile[n]).
void LoadBmp(Game& game, int n);
// Releases the images whose file the newly read chart no longer names.
void ReleaseChangedImages(Game& game);

}  // namespace kvx
