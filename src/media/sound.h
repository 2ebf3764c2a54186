#pragma once
// Sound: the sixteen system sounds and the chart's key sounds, played through
// one sound device (OpenAL Soft). Volumes are in hundredths of a decibel
// (0 = full, -10000 = silent); frequencies in Hz.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "media/sound_decode.h"
#include "media/system_sounds.h"

namespace kvx {

struct Game;
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

  // Parallel decoding of a chart's sounds before it is read.
  std::unique_ptr<SoundPrefetcher> prefetch;

  // The last text this subsystem put on the message line, and the last
  // load error (for diagnostics).
  std::string LastMessage;
  SoundError LastError = SoundError::None;
};

// Start-up and shutdown.
void InitDS(Game& game);
// Releases every buffer and source and closes the device (part of ReleaseDirectX).
void ReleaseSound(Game& game);
bool SoundAvailable(Game& game);

// System sounds by index.
void PlaySE(Game& game, int index, bool looping = false);
void StopSE(Game& game, int index);
bool HasSystemSound(Game& game, int index);
bool IsSystemSoundPlaying(Game& game, int index);
void SetSystemSoundVolume(Game& game, int index, int32_t hundredthsDb);

// Chart loading calls: load the key sound of WAV number `number` (the file named
// by chart.WavFile[number]); release the buffers whose file the newly read chart
// no longer names (chart preparation).
void loadwav(Game& game, int number);
void ReleaseChangedSounds(Game& game);

// Before a chart is read: decodes every sound its "#WAV" lines name on worker
// threads, so that the loadwav calls of the reader (WAVLoadmode 0) only upload
// the results, in the reader's order. Call it with the chart's path after
// chart.ChartFolder is set; it does nothing when sounds are not loaded while
// reading (WAVLoadmode other than 0, NoWAV, course mode). Files whose buffer is
// already loaded for the same number are skipped.
void PrefetchChartSounds(Game& game, const std::string& chartPath);
// The same with the chart's text already read (the reader reads the file once).
void PrefetchChartSounds(Game& game, const std::string& chartPath, std::string_view text);
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
int ReportMissingChartSounds(Game& game);
// The same for a list of file names as they will appear in chart.WavFile.
void PrefetchSoundFiles(Game& game, const std::vector<std::string>& files);
// True when loading the file would not wait for a decode still under way or
// not yet started (also when it was never queued).
bool SoundPrefetchReady(Game& game, const std::string& file);
// Drops decoded files that were not asked for (ReleaseChangedSounds does this).
void CancelSoundPrefetch(Game& game);

// Course play with CourseLoadMode 2: creates the buffer of chart.CourseWavFile
// [song + 128 x id] at once (called by the reader) and marks it loaded.
void LoadCourseWav(Game& game, int song, int id);
void ReleaseCourseSounds(Game& game);

// Plays the key sound of WAV number `number` (echo tap 0 = a normal play);
// called by the play loop for automatic notes, key presses and the echo queue.
void PlayWav(Game& game, int number, int echoTap = 0, SoundKind kind = SoundKind::Key);
// The mixer volumes in percent (0..100, clamped): master (the listener's
// gain), key sounds, background sounds, system sounds. Playing sources follow at once.
void SetMixerVolumes(SoundState& sound, int master, int keys, int background, int system);
// Puts the mixer volumes on the listener and the sources (after the device opens).
void ApplyMixerGains(SoundState& sound);
// The volume a key sound gets now, from the play's fade state.
int32_t KeySoundFadeVolume(Game& game);

// Operations on the key sound of a WAV number; all do nothing without a buffer.
bool HasWavBuffer(Game& game, int number);
bool IsWavPlaying(Game& game, int number);
void StopWavBuffer(Game& game, int number);    // stops, keeping the position
void ContinueWav(Game& game, int number);      // plays on from where it stopped
void RestartWav(Game& game, int number);       // stop, rewind, play once
void SetWavBufferFrequency(Game& game, int number, int32_t hz);
void SetWavBufferVolume(Game& game, int number, int32_t hundredthsDb);
// Every loaded key sound to round(base frequency x RealHiSpeed).
void ApplyPlaySpeedToSounds(Game& game);
// Every loaded key sound to the volume.
void SetAllWavVolumes(Game& game, int32_t hundredthsDb);
// Stops every chart sound (key sounds, echoes) and rewinds it; the buffers
// stay loaded (UnloadBMS).
void StopChartSounds(Game& game);
// Pause and break: stops the playing chart sounds 1..255 and echoes,
// remembering them (key sounds in play.SoundWasPlaying) in addition to what an
// earlier freeze remembered; the resume plays them all on from where they
// stopped and forgets them.
void PauseChartSounds(Game& game);
void ResumeChartSounds(Game& game);

// The echo (pending-sound) queue.
void QueueEcho(Game& game, int32_t timeMs, int number, int tap);
void RemoveEcho(Game& game, int index);
void ClearEchoQueue(Game& game);
// Turns the echo effect on or off; empties the queue (F10 during play).
void SetEchoEffect(Game& game, bool on);
// Plays and removes every entry due before elapsedMs; the others stay (the
// play loop runs it every frame with the play's elapsed time).
void RunEchoQueue(Game& game, int32_t elapsedMs);

// The message-line text of a load error ("]: DSERR_BADFORMAT" ...), with the
// number shown in "Err[" ... and the file named for other errors.
int32_t SoundErrorNumber(SoundError error);
std::string SoundErrorText(SoundError error, const std::string& file);

}  // namespace kvx
