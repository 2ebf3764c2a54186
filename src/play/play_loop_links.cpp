#include "play/play_loop_links.h"

#include <algorithm>

#include "app/game.h"

namespace kvx {

// ---- Chart sounds -----------------------------------------------------------

bool WavExists(Game& g, int id) { return false; }
bool WavIsPlaying(Game& g, int id) { return false; }
void StopWav(Game& g, int id) {}
void ResumeWav(Game& g, int id) {}
void SetWavFrequency(Game& g, int id, int32_t hz) {}
double WavBaseFrequency(Game& g, int id) { return 0; }
void SetWavVolume(Game& g, int id, int32_t hundredthsDb) {}
bool SEExists(Game& g, int index) { return false; }
void SetSEVolume(Game& g, int index, int32_t hundredthsDb) {}

int EchoQueueSize(Game& g) { return 0; }
int32_t EchoDueTime(Game& g, int i) { return 0; }
void PlayEchoEntry(Game& g, int i) {}
void RemoveEchoEntry(Game& g, int i) {}

// ---- Chart ------------------------------------------------------------------

int KeySoundCount(Game& g) { return 0; }
KeySoundRecord KeySoundAt(Game& g, int i) { return {}; }

std::string CourseSongTitle(Game& g, int song) { return g.chart.Title; }
std::string CourseSongArtist(Game& g, int song) { return g.chart.Artist; }
void ApplyCourseSongTables(Game& g, int song) {}
void LoadAllCourseSongMedia(Game& g, int song) {}
bool LoadCourseStageImage(Game& g, int song) { return false; }

// ---- Background images --------------------------------------------------------

// SetBgaImage, SetPoorImage, ResetBgaLayers, ClearPendingImages and
// ReleaseChartImages belong to the background images (media/bga).

// ---- Display ------------------------------------------------------------------

void CaptureBackSurface(Game& g) {}
void DrawGraphLine(Game& g, int x0, int y0, int x1, int y1, uint32_t rgb) {}
void PlotGraphCell(Game& g, int x, int y, int cell) {}
void RestoreGameWindow(Game& g) { g.app.GameState = g.screens.ReturnState; }

// ---- Judgement and options ------------------------------------------------------

int JudgedNoteCount(Game& g) { return 0; }
int PlaySides(Game& g) { return 1; }
bool SuperShuffle(Game& g) { return false; }
int LocalPlayerSlot(Game& g) { return 0; }
float LocalGauge(Game& g) { return 0; }
int32_t LastJudgementCode(Game& g) { return -1; }
bool RandomSpeedMode(Game& g) { return false; }
void SetTargetHiSpeed(Game& g, float target) {}
int CourseEffectKind(Game& g) { return 255; }
void SetCourseEffectKind(Game& g, int kind) {}
void ClearOptionsChanged(Game& g) {}
void ResetHiSpeedForPlayStart(Game& g) {}
void ApplyHiSpeedAfterPlay(Game& g) {}

// ---- Network ------------------------------------------------------------------

bool NetworkBattle(Game& g) { return false; }
void NetGaugeSample(Game& g, int samples) {}
void NetEndOfPlay(Game& g) {}
void ClearNetPlayStarted(Game& g) {}

// ---- After the play -------------------------------------------------------------

void RunScoreRecord(Game& g, bool rank) {}
void EnableSongPreviewTimer(Game& g) {}

}  // namespace kvx
