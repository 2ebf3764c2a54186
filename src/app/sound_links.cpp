#include "app/sound_links.h"

#include "app/game.h"

namespace kvx {

SoundLinks SoundLinksOf(Game& g) {
  SoundLinks links{g.Services()};
  links.show_message = [&g](const std::string& text) { ShowMessage(g, text); };
  links.play_speed = g.settings.RealHiSpeed;
  links.course_load_mode = g.settings.CourseLoadMode;
  links.on_play_screen = g.app.GameState == Screen::Play;
  links.key_volume = KeySoundFadeVolume(g);
  links.elapsed_ms = g.play.ElapsedMs;
  return links;
}

SoundDeviceSettings SoundDeviceSettingsOf(const Game& g) {
  return {g.options.headless, g.options.audio_latency_ms.value_or(g.settings.AudioLatencyMs), g.paths.data};
}

SoundPrefetchRules SoundPrefetchRulesOf(const Game& g) {
  return {g.settings.WAVLoadmode, g.settings.NoWAV, g.settings.ModernCharts};
}

int32_t KeySoundFadeVolume(Game& g) { return KeySoundFadeVolume(g.NowMs(), g.play.FadeState, g.play.FadeStart); }

void InitDS(Game& g) { InitDS(g.sound, SoundDeviceSettingsOf(g), g.Services()); }

void loadwav(Game& g, int number) { loadwav(g.sound, g.chart, SoundLinksOf(g), number); }

void PlayWav(Game& g, int number, int echoTap, SoundKind kind) {
  PlayWav(g.sound, g.chart, SoundLinksOf(g), number, echoTap, kind);
}

void LoadCourseWav(Game& g, int song, int id) { LoadCourseWav(g.sound, g.chart, SoundLinksOf(g), song, id); }

void RunEchoQueue(Game& g, int32_t elapsedMs) { RunEchoQueue(g.sound, g.chart, SoundLinksOf(g), elapsedMs); }

void PauseChartSounds(Game& g) { PauseChartSounds(g.sound, g.play.SoundWasPlaying); }

void ResumeChartSounds(Game& g) { ResumeChartSounds(g.sound, g.play.SoundWasPlaying); }

void PrefetchChartSounds(Game& g, const std::string& chartPath) {
  PrefetchChartSounds(g.sound, g.chart, SoundPrefetchRulesOf(g), chartPath);
}

void PrefetchChartSounds(Game& g, const std::string& chartPath, std::string_view text) {
  PrefetchChartSounds(g.sound, g.chart, SoundPrefetchRulesOf(g), chartPath, text);
}

int ReportMissingChartSounds(Game& g) { return ReportMissingChartSounds(g.sound, g.chart, SoundLinksOf(g)); }

}  // namespace kvx
