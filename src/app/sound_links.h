#pragma once
// The sound routines seen from the game: fills their links (log, clock,
// message line, settings, play values) from the game's state, and keeps the
// calls that need many parts of the game short for the screens and the play.
#include <string>
#include <string_view>

#include "media/sound.h"

namespace kvx {

struct Game;

SoundLinks SoundLinksOf(Game& game);
SoundDeviceSettings SoundDeviceSettingsOf(const Game& game);
SoundPrefetchRules SoundPrefetchRulesOf(const Game& game);

// The key sound volume of the play's closing fade now.
int32_t KeySoundFadeVolume(Game& game);

void InitDS(Game& game);
void loadwav(Game& game, int number);
void PlayWav(Game& game, int number, int echoTap = 0, SoundKind kind = SoundKind::Key);
void LoadCourseWav(Game& game, int song, int id);
void RunEchoQueue(Game& game, int32_t elapsedMs);
void PauseChartSounds(Game& game);
void ResumeChartSounds(Game& game);
void PrefetchChartSounds(Game& game, const std::string& chartPath);
void PrefetchChartSounds(Game& game, const std::string& chartPath, std::string_view text);
int ReportMissingChartSounds(Game& game);

}  // namespace kvx
