#pragma once
// The sixteen system sounds by index (PlaySE, StopSE); the file of each index
// is kSystemSoundFiles[index] (media/sound.h).

namespace kvx {

constexpr int kSystemSoundCount = 16;

constexpr int kSeSongChange = 0;  // sngchg.wav: the list cursor moved
constexpr int kSeSelect = 1;      // select.wav: the song select music, looping
constexpr int kSeDecide = 2;      // sngdecide.wav: a chart was chosen
constexpr int kSeReady = 3;       // ready.wav: the play's intro
constexpr int kSeFade = 4;        // fade.wav: the closing fade
constexpr int kSeClassSS = 5;     // class_ss.wav; 5..11: SS, S, A, B, C, D, E
constexpr int kSeSelStart = 12;   // selstart.wav: back on song select
constexpr int kSeResClear = 13;   // res_clear.wav: the result of a cleared play
constexpr int kSeResFail = 14;    // res_fail.wav: a failed play, and the break freeze
constexpr int kSePtsCount = 15;   // ptscount.wav: the result's counting, and option clicks

}  // namespace kvx
