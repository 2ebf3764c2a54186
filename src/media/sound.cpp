#include "media/sound.h"

#include "app/game.h"

namespace kvx {

void InitDS(Game& g) { DebugLog(g, "InitDS (stub)"); }
void PlaySE(Game& g, int index, bool looping) {}
void StopSE(Game& g, int index) {}

}  // namespace kvx

namespace kvx {

void loadwav(Game& g, int number) {}
void ReleaseChangedSounds(Game& g) {}

}  // namespace kvx
