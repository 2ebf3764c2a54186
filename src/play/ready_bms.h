#pragma once
// Loading what the song list names before play, the preview's play frames
// and its end (the preview itself starts on song select), and unloading
// after play.
#include <cstdint>
#include <string>

#include "app/timers.h"
#include "play/chart_load.h"

namespace kvx {

struct Game;

// Loads the chart or course of the entry under the cursor (GameState 3).
void ReadyBMS(Game& game);
// One tick of the 20 ms preview-play timer.
void PreviewPlayTick(Game& game);
// Ends a running preview at once.
void StopPreview(Game& game);
// Stops every chart sound and rewinds it; buffers stay loaded.
void UnloadBMS(Game& game);
// Loads a picture into the stage image surface (releasing the previous one).
void LoadStageImage(Game& game, const std::string& path);

}  // namespace kvx
