#pragma once
// Sound: the sixteen system sounds and the chart's key sounds, played through
// one sound device (OpenAL Soft). Volumes are in hundredths of a decibel
// (0 = full, -10000 = silent); frequencies in Hz.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "media/sound_decode.h"
#include "media/system_sounds.h"
#include "platform/services.h"

namespace kvx {

struct ChartState;
class AudioDevice;
class SoundPrefetcher;

// Key sound numbers 00..ZZ (base 36; the classic rules use 00..FF of them).
constexpr int kWavIds = 1296;
constexpr int kEchoTaps = 11;          // echo buffers: WAV number + kWavIds x tap
constexpr int kMaxEchoQueue = 256;
constexpr int kCourseWavSlots = 128 * kWavIds;  // [song + 128 x id]

// File names of the system sounds below "<data>/wav", by index.
extern const std::array<const char*, kSystemSoundCount> kSystemSoundFiles;

// One pending echo: due time in ms of the play clock, WAV number, echo tap.
struct EchoEntry {
  int32_t Time = 0;
  int32_t Number = 0;
  int32_t Tap = 0;
};

// What a chart sound is played as, for the mixer volumes.
enum class SoundKind : uint8_t { Key, Background };

struct SoundState {
  uint32_t opened_ms = 0;  // clock time the device started (benchmarks of sound latency)
  SoundState();
  ~SoundState();
  SoundState(const SoundState&) = delete;
  SoundState& operator=(const SoundState&) = delete;

  std::unique_ptr<AudioDevice> device;  // empty: no sound at all

  // System sounds (OpenAL buffer and source names; 0 = none).
  std::array<uint32_t, kSystemSoundCount> SystemSounds{};
  std::array<uint32_t, kSystemSoundCount> SystemSources{};

  // Key sounds by WAV number.
  std::array<std::string, kWavIds> LoadedWavFile{};
  std::array<uint32_t, kWavIds> WavBuffers{};
  std::array<uint32_t, kWavIds> WavSources{};
  std::array<int32_t, kWavIds> WavBaseFrequency{};  // as loaded
  std::array<int32_t, kWavIds> WavFrequency{};      // as set (base x play speed)
  std::array<int32_t, kWavIds> WavVolume{};         // as set, hundredths of a dB
  // Base frequency of the buffer attached to each number's source (its own,
  // or a course song's); 0 when none is attached.
  std::array<int32_t, kWavIds> SlotBaseFrequency{};

  // Echo duplicates: sources sharing the number's buffer, [number + kWavIds x tap].
  std::vector<uint32_t> EchoSources;
  std::vector<EchoEntry> EchoQueue;  // at most kMaxEchoQueue
  bool EchoEffect = false;           // the echo play option

  // Course play with CourseLoadMode 2: one buffer per song and id.
  std::vector<uint32_t> CourseWavBuffer;
  std::vector<int32_t> CourseWavBaseFrequency;
  std::vector<std::string> CourseLoadedWavFile;

  // Echo sources paused by PauseChartSounds.
  std::vector<uint32_t> PausedExtraSources;

  // Mixer volumes as gain factors (0..1): key sounds, background sounds and
  // system sounds; the master volume is the listener's gain.
  float KeyGain = 1.0f, BackgroundGain = 1.0f, SystemGain = 1.0f, MasterGain = 1.0f;
  // The volume each system sound was set to (hundredths of a dB) and what
  // each key sound was last played as.
  std::array<int32_t, kSystemSoundCount> SystemVolume{};
  std::array<SoundKind, kWavIds> WavKind{};

  // Resting: when the sources were last looked at, and how many looks in a
  // row found all of them quiet.
  uint32_t quiet_checked_ms = 0;
  int quiet_checks = 0;

  // Parallel decoding of a chart's sounds before it is read.
  std::unique_ptr<SoundPrefetcher> prefetch;

  // The last text this subsystem put on the message line, and the last
  // load error (for diagnostics).
  std::string LastMessage;
  SoundError LastError = SoundError::None;
};

// What the sound routines use of the program around them, like an import
// table: the log and the clock, the message line, and the few settings and
// play values they follow. The caller fills it for each call.
struct SoundLinks {
  Services services;
  // Shows a line on the message line; may be empty (nothing is shown).
  std::function<void(const std::string&)> show_message{};
  double play_speed = 1.0;     // RealHiSpeed: key sound frequency factor
  int course_load_mode = 0;    // CourseLoadMode: 2 = one buffer per course song and id
  bool on_play_screen = false;  // course sounds are taken by song only while playing
  int32_t key_volume = 0;      // volume of a key sound played now (KeySoundFadeVolume)
  int32_t elapsed_ms = 0;      // the play's elapsed time (echo due times)
};

// How the sound device opens.
struct SoundDeviceSettings {
  bool headless = false;      // the null device: no sound is heard
  int latency_ms = 0;         // AudioLatencyMs (0: the device's own sizes)
  std::string data_folder;    // "<data>": system sounds below "wav/", the device's config file
};

// The settings that decide whether a chart's sounds are decoded before it is read.
struct SoundPrefetchRules {
  int wav_load_mode = 0;       // WAVLoadmode: 0 = sounds load while the chart is read
  bool no_wav = false;         // NoWAV
  bool modern_charts = false;  // ModernCharts
};

// Start-up and shutdown.
void InitDS(SoundState& sound, const SoundDeviceSettings& device, const Services& services);
// Releases every buffer and source and closes the device (part of ReleaseDirectX).
void ReleaseSound(SoundState& sound);
bool SoundAvailable(const SoundState& sound);
// Called while a screen rests: once no sound has played at two looks a
// second apart, the device's mixer stops until the next use of the device.
void RestSound(SoundState& sound, uint32_t now);

// System sounds by index.
void PlaySE(SoundState& sound, int index, bool looping = false);
void StopSE(SoundState& sound, int index);
bool HasSystemSound(const SoundState& sound, int index);
bool IsSystemSoundPlaying(SoundState& sound, int index);
void SetSystemSoundVolume(SoundState& sound, int index, int32_t hundredthsDb);

// Chart loading calls: load the key sound of WAV number `number` (the file named
// by chart.WavFile[number]); release the buffers whose file the newly read chart
// no longer names (chart preparation).
void loadwav(SoundState& sound, ChartState& chart, const SoundLinks& links, int number);
void ReleaseChangedSounds(SoundState& sound, const ChartState& chart);

// Before a chart is read: decodes every sound its "#WAV" lines name on worker
// threads, so that the loadwav calls of the reader (WAVLoadmode 0) only upload
// the results, in the reader's order. Call it with the chart's path after
// chart.ChartFolder is set; it does nothing when sounds are not loaded while
// reading (WAVLoadmode other than 0, NoWAV, course mode). Files whose buffer is
// already loaded for the same number are skipped.
void PrefetchChartSounds(SoundState& sound, const ChartState& chart, const SoundPrefetchRules& rules,
                         const std::string& chartPath);
// The same with the chart's text already read (the reader reads the file once).
void PrefetchChartSounds(SoundState& sound, const ChartState& chart, const SoundPrefetchRules& rules,
                         const std::string& chartPath, std::string_view text);
// The sound files the "#WAVxx" lines of a chart's text name (folder and name,
// as they will appear in chart.WavFile), with the id of each.
std::vector<std::pair<int, std::string>> ChartSoundFiles(const std::string& chartPath, std::string_view text,
                                                         bool modernCharts);
// True when the sound file a chart names can be found (in any letter case, or
// under another sound extension), as loading looks for it.
bool SoundFileFound(const std::string& file);
// The files of the list that cannot be found, each once, in the list's order.
std::vector<std::string> MissingSoundFiles(const std::vector<std::string>& files);
// After a chart is read: logs every sound file of chart.WavFile (of
// chart.CourseWavFile, all songs, for a course) that cannot be found and shows
// how many on the message line (nothing when none is missing). Returns how
// many are missing.
int ReportMissingChartSounds(SoundState& sound, const ChartState& chart, const SoundLinks& links);
// The same for a list of file names as they will appear in chart.WavFile.
void PrefetchSoundFiles(SoundState& sound, const std::vector<std::string>& files);
// True when loading the file would not wait for a decode still under way or
// not yet started (also when it was never queued).
bool SoundPrefetchReady(const SoundState& sound, const std::string& file);
// Drops decoded files that were not asked for (ReleaseChangedSounds does this).
void CancelSoundPrefetch(SoundState& sound);

// Course play with CourseLoadMode 2: creates the buffer of chart.CourseWavFile
// [song + 128 x id] at once (called by the reader) and marks it loaded.
void LoadCourseWav(SoundState& sound, ChartState& chart, const SoundLinks& links, int song, int id);
void ReleaseCourseSounds(SoundState& sound);

// Plays the key sound of WAV number `number` (echo tap 0 = a normal play, at
// links.key_volume); called by the play loop for automatic notes, key presses
// and the echo queue.
void PlayWav(SoundState& sound, ChartState& chart, const SoundLinks& links, int number, int echoTap = 0,
             SoundKind kind = SoundKind::Key);
// The mixer volumes in percent (0..100, clamped): master (the listener's
// gain), key sounds, background sounds, system sounds. Playing sources follow at once.
void SetMixerVolumes(SoundState& sound, int master, int keys, int background, int system);
// Puts the mixer volumes on the listener and the sources (after the device opens).
void ApplyMixerGains(SoundState& sound);
// The volume a key sound gets at `nowMs` from the play's closing fade
// (fadeState 1 or 3, started at fadeStartMs).
int32_t KeySoundFadeVolume(uint32_t nowMs, int fadeState, uint32_t fadeStartMs);

// Operations on the key sound of a WAV number; all do nothing without a buffer.
bool HasWavBuffer(const SoundState& sound, int number);
bool IsWavPlaying(SoundState& sound, int number);
void StopWavBuffer(SoundState& sound, int number);    // stops, keeping the position
void ContinueWav(SoundState& sound, int number);      // plays on from where it stopped
void RestartWav(SoundState& sound, int number);       // stop, rewind, play once
void SetWavBufferFrequency(SoundState& sound, int number, int32_t hz);
void SetWavBufferVolume(SoundState& sound, int number, int32_t hundredthsDb);
// Every loaded key sound to round(base frequency x playSpeed) (RealHiSpeed).
void ApplyPlaySpeedToSounds(SoundState& sound, double playSpeed);
// Every loaded key sound to the volume.
void SetAllWavVolumes(SoundState& sound, int32_t hundredthsDb);
// Stops every chart sound (key sounds, echoes) and rewinds it; the buffers
// stay loaded (UnloadBMS).
void StopChartSounds(SoundState& sound);
// Pause and break: stops the playing chart sounds 1..255 and echoes,
// remembering them (key sounds in wasPlaying, the play's SoundWasPlaying) in
// addition to what an earlier freeze remembered; the resume plays them all on
// from where they stopped and forgets them.
void PauseChartSounds(SoundState& sound, std::array<bool, kWavIds>& wasPlaying);
void ResumeChartSounds(SoundState& sound, std::array<bool, kWavIds>& wasPlaying);

// The echo (pending-sound) queue.
void QueueEcho(SoundState& sound, int32_t timeMs, int number, int tap);
void RemoveEcho(SoundState& sound, int index);
void ClearEchoQueue(SoundState& sound);
// Turns the echo effect on or off; empties the queue (F10 during play).
void SetEchoEffect(SoundState& sound, bool on);
// Plays and removes every entry due before elapsedMs; the others stay (the
// play loop runs it every frame with the play's elapsed time).
void RunEchoQueue(SoundState& sound, ChartState& chart, const SoundLinks& links, int32_t elapsedMs);

// The message-line text of a load error ("]: DSERR_BADFORMAT" ...), with the
// number shown in "Err[" ... and the file named for other errors.
int32_t SoundErrorNumber(SoundError error);
std::string SoundErrorText(SoundError error, const std::string& file);

}  // namespace kvx
