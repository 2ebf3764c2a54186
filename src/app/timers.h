#pragma once
// The game window's timers by id (EventPump::SetTimer and KillTimer). The exit
// routine kills them by these ids.

namespace kvx {

constexpr int kEffectTickTimerId = 2;    // 1 ms: the per-frame effect tick of play
constexpr int kPreviewPlayTimerId = 5;   // 20 ms: one frame of the sound-only chart preview
constexpr int kUnsetTimerId = 99;        // nothing sets it; the exit routine kills it all the same
constexpr int kNetPollTimerId = 100;     // 50 ms: the network message poll
constexpr int kPreviewTimerId = 1001;    // one-shot after PreviewDelay: preview the entry under the cursor
constexpr int kRunFadeEndTimerId = 1002; // 10 ms: song select's fade into play has ended (runs FadeEndSubject)

}  // namespace kvx
