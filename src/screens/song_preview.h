#pragma once
// The sound-only preview of the chart under the song-select cursor. After the
// cursor has rested for PreviewDelay the chart is read without images, the
// sounds of its first beat are decoded on the sound workers while the screen
// keeps drawing, and the chart then plays itself from its first sounding
// object on the 20 ms preview-play timer, fading the song-select music. The
// sounds further on are decoded ahead of the play position the same way, so
// neither a cursor move nor the preview itself waits for a decode.
#include <cstdint>

namespace kvx {

struct Game;

// The one-shot timer that starts the preview (timPlayCurSong), restarted on
// every cursor change.
void StartPreviewTimer(Game& game);
// Its handler: the preview in the song list, the course's songs in the course list.
void PreviewDelayElapsed(Game& game);
// Stops the preview timers and ends a loading or playing preview at once:
// its sounds stop and the song-select music returns to full volume.
void StopSongPreview(Game& game);
// A preview is loading or playing.
bool SongPreviewActive(const Game& game);
bool SongPreviewPlaying(const Game& game);

// How far ahead of the play position the preview queues sounds for decoding
// (position units: four measures).
constexpr int32_t kPreviewDecodeAhead = 768;
// How far ahead decoded sounds are loaded for the play frames (more than the
// play frame's own look-ahead of 120 units).
constexpr int32_t kPreviewLoadAhead = 192;
// The longest the preview waits for its first sounds before it loads what is
// missing itself (ms).
constexpr uint32_t kPreviewMaxWaitMs = 3000;

}  // namespace kvx
