#pragma once
// The play loop's links to the other subsystems: small helpers over the
// sound, image, display, chart, judgement, options, network and screen
// functions, so that the loop and the play screen read as the play rules.
#include <cstdint>
#include <string>

#include "chart/chart_state.h"
#include "chart/ready_bms.h"
#include "media/display.h"
#include "media/sound.h"
#include "play/judge.h"
#include "play/options.h"
#include "screens/result_screen.h"

namespace kvx {

struct Game;

// Chart sounds by id.
bool WavExists(Game& g, int id);
bool WavIsPlaying(Game& g, int id);
void StopWav(Game& g, int id);
void ResumeWav(Game& g, int id);  // play again from where it stopped
void SetWavFrequency(Game& g, int id, int32_t hz);
double WavBaseFrequency(Game& g, int id);
void SetWavVolume(Game& g, int id, int32_t hundredthsDb);
// System sounds.
bool SEExists(Game& g, int index);
void SetSEVolume(Game& g, int index, int32_t hundredthsDb);
// The pending-sound (echo) queue.
int EchoQueueSize(Game& g);
int32_t EchoDueTime(Game& g, int i);
void PlayEchoEntry(Game& g, int i);
void RemoveEchoEntry(Game& g, int i);

// The chart's key-sound list.
struct KeySoundRecord {
  int32_t Channel = 0, Position = 0, Value = 0;
};
int KeySoundCount(Game& g);
KeySoundRecord KeySoundAt(Game& g, int i);

// Course play.
std::string CourseSongTitle(Game& g, int song);
std::string CourseSongArtist(Game& g, int song);
void ApplyCourseSongTables(Game& g, int song);
void LoadAllCourseSongMedia(Game& g, int song);
bool LoadCourseStageImage(Game& g, int song);

// Background images.
void SetBgaImage(Game& g, int layer, int32_t id, bool releaseMark);
void SetPoorImage(Game& g, int32_t id);
void ResetBgaLayers(Game& g);
void ClearPendingImages(Game& g);
void ReleaseChartImages(Game& g);

// Display.
void CaptureBackSurface(Game& g);
void DrawGraphLine(Game& g, int x0, int y0, int x1, int y1, uint32_t rgb);
void PlotGraphCell(Game& g, int x, int y, int cell);
void RestoreGameWindow(Game& g);

// Judgement and options state.
int JudgedNoteCount(Game& g);
int PlaySides(Game& g);
bool SuperShuffle(Game& g);
int LocalPlayerSlot(Game& g);
float LocalGauge(Game& g);
int32_t LastJudgementCode(Game& g);
bool RandomSpeedMode(Game& g);
void SetTargetHiSpeed(Game& g, float target);
int CourseEffectKind(Game& g);
void SetCourseEffectKind(Game& g, int kind);
void ClearOptionsChanged(Game& g);
void ResetHiSpeedForPlayStart(Game& g);
void ApplyHiSpeedAfterPlay(Game& g);

// Input.
uint32_t KeyPressTime(Game& g, int keycode);

// Network battle.
bool NetworkBattle(Game& g);
void NetGaugeSample(Game& g, int samples);
void NetEndOfPlay(Game& g);
void ClearNetPlayStarted(Game& g);

// After the play: the score record of the chart.
void RunScoreRecord(Game& g, bool rank);
void EnableSongPreviewTimer(Game& g);

}  // namespace kvx
