#pragma once
// Sound: the system sounds and the chart's key sounds.

namespace kvx {

struct Game;

struct SoundState {};

void InitDS(Game& game);
void PlaySE(Game& game, int index, bool looping = false);
void StopSE(Game& game, int index);

}  // namespace kvx
