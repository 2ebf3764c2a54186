#pragma once
// Sound: the system sounds and the chart's key sounds.

namespace kvx {

struct Game;

struct SoundState {};

void InitDS(Game& game);
void PlaySE(Game& game, int index, bool looping = false);
void StopSE(Game& game, int index);

// Chart loading calls: load the key sound of WAV number `number` (the file named
// by chart.WavFile[number]); release the buffers whose file the newly read chart
// no longer names (chart preparation).
void loadwav(Game& game, int number);
void ReleaseChangedSounds(Game& game);

}  // namespace kvx
