#include "media/bga.h"

#include "app/game.h"

namespace kvx {

void LoadBmp(Game& g, int n) {}
void ReleaseChangedImages(Game& g) {}

}  // namespace kvx
