#include "media/sound.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>

#include "app/game.h"
#include "chart/bms_commands.h"
#include "chart/chart_text.h"
#include "media/display.h"
#include "media/sound_prefetch.h"
#include "platform/files.h"
#include "platform/openal_device.h"
#include "platform/rounding.h"
#include "platform/text.h"

namespace kvx {

const std::array<const char*, kSystemSoundCount> kSystemSoundFiles = {
    "sngchg.wav",  "select.wav",  "sngdecide.wav", "ready.wav",   "fade.wav",      "class_ss.wav",
    "class_s.wav", "class_a.wav", "class_b.wav",   "class_c.wav", "class_d.wav",   "class_e.wav",
    "selstart.wav", "res_clear.wav", "res_fail.wav", "ptscount.wav"};

namespace {

constexpr int32_t kSilent = -10000;

bool Use(Game& g) { return g.sound.device && g.sound.device->MakeCurrent(); }

bool ValidNumber(int number) { return number > 0 && number < kWavIds; }

float GainOf(int32_t hundredthsDb) {
  hundredthsDb = std::clamp(hundredthsDb, kSilent, 0);
  return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

float MixGain(const SoundState& s, SoundKind kind) {
  return kind == SoundKind::Background ? s.BackgroundGain : s.KeyGain;
}

ALuint NewSource() {
  alGetError();
  ALuint source = 0;
  alGenSources(1, &source);
  if (alGetError() != AL_NO_ERROR) return 0;
  return source;
}

ALuint EnsureSource(uint32_t& source) {
  if (!source) source = NewSource();
  return source;
}

ALint SourceState(ALuint source) {
  ALint state = AL_INITIAL;
  if (source) alGetSourcei(source, AL_SOURCE_STATE, &state);
  return state;
}

ALuint AttachedBuffer(ALuint source) {
  ALint buffer = 0;
  if (source) alGetSourcei(source, AL_BUFFER, &buffer);
  return static_cast<ALuint>(buffer);
}

void Detach(ALuint source) {
  if (!source) return;
  alSourceStop(source);
  alSourcei(source, AL_BUFFER, 0);
}

void Attach(ALuint source, ALuint buffer) {
  if (AttachedBuffer(source) == buffer) return;
  alSourceStop(source);
  alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
}

void DeleteSource(uint32_t& source) {
  if (!source) return;
  alSourceStop(source);
  alSourcei(source, AL_BUFFER, 0);
  alDeleteSources(1, &source);
  source = 0;
}

void DeleteBuffer(uint32_t& buffer) {
  if (!buffer) return;
  alDeleteBuffers(1, &buffer);
  buffer = 0;
}

// Uploads decoded samples into a new buffer.
SoundError Upload(const DecodedSound& sound, uint32_t& buffer) {
  buffer = 0;
  alGetError();
  ALuint name = 0;
  alGenBuffers(1, &name);
  if (alGetError() != AL_NO_ERROR) return SoundError::DeviceFailure;
  ALenum format = sound.channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
  alBufferData(name, format, sound.samples.data(), static_cast<ALsizei>(sound.samples.size() * sizeof(int16_t)),
               sound.rate);
  ALenum error = alGetError();
  if (error != AL_NO_ERROR) {
    alDeleteBuffers(1, &name);
    return error == AL_OUT_OF_MEMORY ? SoundError::OutOfMemory : SoundError::DeviceFailure;
  }
  buffer = name;
  return SoundError::None;
}

std::string Hex(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
  return text;
}

void Show(Game& g, const std::string& text) {
  g.sound.LastMessage = text;
  ShowMessage(g.display, g.NowMs(), text);
}

void ReportError(Game& g, SoundError error, const std::string& file) {
  g.sound.LastError = error;
  std::string text = SoundErrorText(error, file);
  DebugLog(g, text);
  Show(g, text);
}

int EchoIndex(int number, int tap) { return number + kWavIds * tap; }

bool CourseTablesReady(const Game& g) {
  return g.chart.CourseWavFile.size() >= static_cast<size_t>(kCourseWavSlots) &&
         g.chart.CourseWavLoaded.size() >= static_cast<size_t>(kCourseWavSlots);
}

int CourseIndex(int song, int id) { return song + 128 * id; }

void EnsureCourseSlots(SoundState& s) {
  if (s.CourseWavBuffer.size() >= static_cast<size_t>(kCourseWavSlots)) return;
  s.CourseWavBuffer.assign(kCourseWavSlots, 0);
  s.CourseWavBaseFrequency.assign(kCourseWavSlots, 0);
  s.CourseLoadedWavFile.assign(kCourseWavSlots, std::string());
}

// Detaches a buffer from the number's source and echo duplicates before it is deleted.
void DetachFromNumber(SoundState& s, int number, uint32_t buffer) {
  if (AttachedBuffer(s.WavSources[number]) == buffer) {
    Detach(s.WavSources[number]);
    s.SlotBaseFrequency[number] = 0;
  }
  for (int tap = 1; tap < kEchoTaps; ++tap) {
    uint32_t source = s.EchoSources[EchoIndex(number, tap)];
    if (AttachedBuffer(source) == buffer) Detach(source);
  }
}

void ReleaseWavBuffer(SoundState& s, int number) {
  if (!s.WavBuffers[number]) return;
  DetachFromNumber(s, number, s.WavBuffers[number]);
  DeleteBuffer(s.WavBuffers[number]);
  s.WavBaseFrequency[number] = 0;
  s.WavFrequency[number] = 0;
}

void ReleaseCourseSlot(SoundState& s, int k) {
  if (k >= static_cast<int>(s.CourseWavBuffer.size())) return;
  if (s.CourseWavBuffer[k]) {
    DetachFromNumber(s, k / 128, s.CourseWavBuffer[k]);
    DeleteBuffer(s.CourseWavBuffer[k]);
  }
  s.CourseWavBaseFrequency[k] = 0;
  s.CourseLoadedWavFile[k].clear();
}

// Everything that needs the device's context; the context must be current.
void ReleaseAllObjects(SoundState& s) {
  for (auto& source : s.SystemSources) DeleteSource(source);
  for (auto& source : s.WavSources) DeleteSource(source);
  for (auto& source : s.EchoSources) DeleteSource(source);
  for (auto& buffer : s.SystemSounds) DeleteBuffer(buffer);
  for (auto& buffer : s.WavBuffers) DeleteBuffer(buffer);
  for (auto& buffer : s.CourseWavBuffer) DeleteBuffer(buffer);
  s.LoadedWavFile.fill(std::string());
  s.WavBaseFrequency.fill(0);
  s.WavFrequency.fill(0);
  s.WavVolume.fill(0);
  s.SlotBaseFrequency.fill(0);
  s.CourseWavBuffer.clear();
  s.CourseWavBaseFrequency.clear();
  s.CourseLoadedWavFile.clear();
  s.PausedExtraSources.clear();
  s.EchoQueue.clear();
}

// Decoded samples of a file: from the prefetch pool when it has them.
DecodedSound Decode(Game& g, const std::string& file) {
  if (g.sound.prefetch) {
    if (auto ready = g.sound.prefetch->Take(file)) return std::move(*ready);
  }
  return DecodeSoundFile(file);
}

// Loads a file into a fresh buffer; on failure the buffer is 0.
SoundError LoadBuffer(Game& g, const std::string& file, uint32_t& buffer, int32_t& frequency) {
  buffer = 0;
  frequency = 0;
  if (!Use(g)) return SoundError::NoDevice;
  DecodedSound sound = Decode(g, file);
  if (sound.error != SoundError::None) return sound.error;
  SoundError error = Upload(sound, buffer);
  if (error == SoundError::None) frequency = sound.rate;
  return error;
}

// Pitch of a source playing a buffer of base frequency `base` at `frequency`.
float PitchOf(int32_t frequency, int32_t base) {
  if (base <= 0 || frequency <= 0) return 1.0f;
  return static_cast<float>(static_cast<double>(frequency) / base);
}

}  // namespace

SoundState::SoundState() : EchoSources(static_cast<size_t>(kWavIds) * kEchoTaps, 0) {}

SoundState::~SoundState() {
  prefetch.reset();
  if (device && device->MakeCurrent()) ReleaseAllObjects(*this);
  device.reset();
}

// ---- Errors ---------------------------------------------------------------------

int32_t SoundErrorNumber(SoundError error) {
  switch (error) {
    case SoundError::NoDevice: return static_cast<int32_t>(0x887800AAu);
    case SoundError::OutOfMemory: return 7;
    case SoundError::DecodeFailed: return static_cast<int32_t>(0x88780064u);
    case SoundError::UnsupportedFormat: return static_cast<int32_t>(0x80004001u);
    case SoundError::InvalidParam: return static_cast<int32_t>(0x80070057u);
    case SoundError::DeviceFailure: return static_cast<int32_t>(0x8878000Au);
    case SoundError::FileMissing: return 53;  // "file not found"
    case SoundError::None: return 0;
  }
  return 0;
}

std::string SoundErrorText(SoundError error, const std::string& file) {
  std::string text = "Err[" + std::to_string(SoundErrorNumber(error));
  switch (error) {
    case SoundError::NoDevice: return text + "]: DSERR_UNINITIALIZED";
    case SoundError::OutOfMemory: return text + "]: DSERR_OUTOFMEMORY";
    case SoundError::DecodeFailed: return text + "]: DSERR_BADFORMAT";
    case SoundError::UnsupportedFormat: return text + "]: DSERR_UNSUPPORTED";
    case SoundError::InvalidParam: return text + "]: DSERR_INVALIDPARAM";
    case SoundError::DeviceFailure: return text + "]: DSERR_ALLOCATED";
    default: return text + "]: other error : " + file;
  }
}

// ---- Device and system sounds ---------------------------------------------------------

namespace {

// One line with what the device runs at, for players tuning AudioLatencyMs.
void LogSoundDevice(Game& g, int latency) {
  const AudioDevice& d = *g.sound.device;
  const int hz = d.Frequency(), update = d.UpdateSize();
  char line[200];
  std::snprintf(line, sizeof line, "Sound device: %s, %d Hz, update %d samples (%.1f ms) x %d periods, asked %d ms%s",
                d.Name().c_str(), hz, update, hz > 0 ? 1000.0 * update / hz : 0.0, AudioDevice::kPeriods, latency,
                latency > 0 ? "" : " (the device's own sizes)");
  DebugLog(g, line);
}

}  // namespace

void InitDS(Game& g) {
  DebugLog(g, "[InitDS]");
  if (g.sound.device) ReleaseSound(g);
  int error = 0;
  const int latency = g.options.audio_latency_ms.value_or(g.settings.AudioLatencyMs);
  g.sound.device = AudioDevice::Open(g.options.headless, &error, latency, g.paths.data + "/alsoft_periods.conf");
  if (!g.sound.device) {
    DebugLog(g, "Error: Can't create DirectSound object. : " + std::to_string(error));
    return;
  }
  g.sound.opened_ms = g.NowMs();
  LogSoundDevice(g, latency);
  DebugLog(g, "SetCooperativeLevel: DSSCL_PRIORITY");
  DebugLog(g, "loading SEs...");
  auto& s = g.sound;
  for (int i = 0; i < kSystemSoundCount; ++i) {
    std::string file = g.paths.data + "/wav/" + kSystemSoundFiles[i];
    int32_t frequency = 0;
    SoundError failed = LoadBuffer(g, file, s.SystemSounds[i], frequency);
    if (failed == SoundError::None && !EnsureSource(s.SystemSources[i])) {
      DeleteBuffer(s.SystemSounds[i]);
      failed = SoundError::DeviceFailure;
    }
    if (failed != SoundError::None) {
      DebugLog(g, std::string("  ") + kSystemSoundFiles[i] + ": " + SoundErrorText(failed, file));
      continue;
    }
    alSourcei(s.SystemSources[i], AL_BUFFER, static_cast<ALint>(s.SystemSounds[i]));
  }
  ApplyMixerGains(s);
}

void ReleaseSound(Game& g) {
  auto& s = g.sound;
  s.prefetch.reset();
  if (s.device && s.device->MakeCurrent()) ReleaseAllObjects(s);
  s.SystemSounds.fill(0);
  s.SystemSources.fill(0);
  s.WavBuffers.fill(0);
  s.WavSources.fill(0);
  std::fill(s.EchoSources.begin(), s.EchoSources.end(), 0);
  s.device.reset();
}

bool SoundAvailable(Game& g) { return static_cast<bool>(g.sound.device); }

bool HasSystemSound(Game& g, int index) {
  return index >= 0 && index < kSystemSoundCount && g.sound.SystemSounds[index] && g.sound.device;
}

void PlaySE(Game& g, int index, bool looping) {
  if (!HasSystemSound(g, index) || !Use(g)) return;
  ALuint source = g.sound.SystemSources[index];
  alSourceStop(source);
  alSourceRewind(source);
  alSourcei(source, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
  alSourcePlay(source);
}

void StopSE(Game& g, int index) {
  if (!HasSystemSound(g, index) || !Use(g)) return;
  alSourceStop(g.sound.SystemSources[index]);
}

bool IsSystemSoundPlaying(Game& g, int index) {
  if (!HasSystemSound(g, index) || !Use(g)) return false;
  return SourceState(g.sound.SystemSources[index]) == AL_PLAYING;
}

void SetSystemSoundVolume(Game& g, int index, int32_t hundredthsDb) {
  if (!HasSystemSound(g, index) || !Use(g)) return;
  g.sound.SystemVolume[index] = std::clamp(hundredthsDb, kSilent, 0);
  alSourcef(g.sound.SystemSources[index], AL_GAIN, GainOf(hundredthsDb) * g.sound.SystemGain);
}

void SetMixerVolumes(SoundState& s, int master, int keys, int background, int system) {
  auto factor = [](int percent) { return std::clamp(percent, 0, 100) / 100.0f; };
  s.MasterGain = factor(master);
  s.KeyGain = factor(keys);
  s.BackgroundGain = factor(background);
  s.SystemGain = factor(system);
  ApplyMixerGains(s);
}

void ApplyMixerGains(SoundState& s) {
  if (!s.device || !s.device->MakeCurrent()) return;
  alListenerf(AL_GAIN, s.MasterGain);
  for (int i = 0; i < kSystemSoundCount; ++i)
    if (s.SystemSources[i]) alSourcef(s.SystemSources[i], AL_GAIN, GainOf(s.SystemVolume[i]) * s.SystemGain);
  for (int n = 1; n < kWavIds; ++n)
    if (s.WavSources[n]) alSourcef(s.WavSources[n], AL_GAIN, GainOf(s.WavVolume[n]) * MixGain(s, s.WavKind[n]));
}

// ---- Key sounds: loading ------------------------------------------------------------

void loadwav(Game& g, int number) {
  if (!ValidNumber(number) || !Use(g)) return;
  auto& s = g.sound;
  auto& c = g.chart;
  const uint32_t t0 = g.NowMs();
  const std::string n = std::to_string(number);

  std::string file;
  bool load = false;
  if (c.CourseMode && g.app.GameState == Screen::Play && CourseTablesReady(g)) {
    int k = CourseIndex(std::clamp(c.CourseSong, 0, 127), number);
    c.CourseWavLoaded[k] = true;
    file = c.CourseWavFile[k];
    if (file.empty()) return;
    if (file == s.LoadedWavFile[number] && s.WavBuffers[number]) {
      DebugLog(g, "loadwav: " + n + " > cancelled");
    } else {
      DebugLog(g, "loadwav2: " + n);
      load = true;
    }
  } else {
    file = c.WavFile[number];
    if (file.empty()) return;  // the chart does not use the number
    if (file == s.LoadedWavFile[number] && s.WavBuffers[number]) {
      DebugLog(g, "loadwav: " + n + " > cancelled");
    } else {
      DebugLog(g, "loadwav: " + n);
      load = true;
    }
  }

  if (load) {
    uint32_t buffer = 0;
    int32_t frequency = 0;
    SoundError error = LoadBuffer(g, file, buffer, frequency);
    // The number's old buffer held another file; it goes either way.
    ReleaseWavBuffer(s, number);
    s.LoadedWavFile[number].clear();
    if (error != SoundError::None) {
      ReportError(g, error, file);
      return;
    }
    s.WavBuffers[number] = buffer;
    s.WavBaseFrequency[number] = frequency;
    s.LoadedWavFile[number] = file;
  }

  Show(g, "WAV LOAD: " + Hex(number) + " (in " + std::to_string(static_cast<int32_t>(g.NowMs() - t0)) + "ms)");
  ALint frequency = 0;
  alGetBufferi(s.WavBuffers[number], AL_FREQUENCY, &frequency);
  if (frequency > 0) s.WavBaseFrequency[number] = frequency;
  c.WavLoadState[number] = 255;
  SetWavBufferFrequency(g, number, RoundEven(s.WavBaseFrequency[number] * static_cast<double>(g.settings.RealHiSpeed)));
}

void ReleaseChangedSounds(Game& g) {
  CancelSoundPrefetch(g);
  if (g.chart.BackgroundPreview || !Use(g)) return;
  auto& s = g.sound;
  for (int id = 0; id < kWavIds; ++id) {
    if (g.chart.WavFile[id] != s.LoadedWavFile[id]) {
      ReleaseWavBuffer(s, id);
      s.LoadedWavFile[id].clear();
    }
  }
  if (!g.chart.CourseMode || !CourseTablesReady(g)) {
    ReleaseCourseSounds(g);
    return;
  }
  for (int k = 0; k < static_cast<int>(s.CourseWavBuffer.size()); ++k)
    if (g.chart.CourseWavFile[k] != s.CourseLoadedWavFile[k]) ReleaseCourseSlot(s, k);
}

void PrefetchSoundFiles(Game& g, const std::vector<std::string>& files) {
  if (!SoundAvailable(g) || files.empty()) return;
  if (!g.sound.prefetch) {
    int cores = static_cast<int>(std::thread::hardware_concurrency());
    g.sound.prefetch = std::make_unique<SoundPrefetcher>(std::clamp(cores, 1, 4));
  }
  g.sound.prefetch->Add(files);
}

void PrefetchChartSounds(Game& g, const std::string& chartPath) {
  if (g.settings.WAVLoadmode != 0 || g.settings.NoWAV || g.chart.CourseMode || !SoundAvailable(g)) return;
  ChartTextInfo info;
  const std::string text = LoadChartText(chartPath, g.settings.ModernCharts, &info);
  if (!info.readable) {
    CancelSoundPrefetch(g);
    return;
  }
  PrefetchChartSounds(g, chartPath, text);
}

void PrefetchChartSounds(Game& g, const std::string& chartPath, std::string_view text) {
  if (g.settings.WAVLoadmode != 0 || g.settings.NoWAV || g.chart.CourseMode || !SoundAvailable(g)) return;
  // Already decoding this chart's sounds (started before the loading screen).
  if (g.sound.prefetch && g.sound.prefetch->chart == chartPath && g.sound.prefetch->Queued() > 0) return;
  // A new chart: whatever an earlier, abandoned read left is of no use.
  CancelSoundPrefetch(g);
  std::vector<std::string> files;
  for (auto& [id, file] : ChartSoundFiles(chartPath, text, g.settings.ModernCharts)) {
    if (g.sound.WavBuffers[id] && SoundCacheKey(g.sound.LoadedWavFile[id]) == SoundCacheKey(file)) continue;
    files.push_back(std::move(file));
  }
  PrefetchSoundFiles(g, files);
  if (g.sound.prefetch) g.sound.prefetch->chart = chartPath;
}

std::vector<std::pair<int, std::string>> ChartSoundFiles(const std::string& chartPath, std::string_view text,
                                                         bool modernCharts) {
  const std::string folder = FolderOf(NormalizeSeparators(chartPath));
  std::vector<std::pair<int, std::string>> files;
  ForEachCommandLine(text, modernCharts, [&](std::string_view line) {
    const CommandMatch m = MatchCommand(line, modernCharts);
    if (m.kind != Command::Wav) return true;
    const int id = ChartId(m.id, modernCharts);
    const std::string name = CommandArgument(line, m);
    if (id > 0 && id < kWavIds && !name.empty()) files.emplace_back(id, folder + name);
    return true;
  });
  return files;
}

bool SoundFileFound(const std::string& file) {
  const std::string key = SoundCacheKey(file);
  return !key.empty() && ResolveWithExtensions("", key, SoundFileExtensions()).has_value();
}

std::vector<std::string> MissingSoundFiles(const std::vector<std::string>& files) {
  std::vector<std::string> missing;
  for (const std::string& file : files) {
    if (SoundCacheKey(file).empty() || SoundFileFound(file)) continue;
    if (std::find(missing.begin(), missing.end(), file) == missing.end()) missing.push_back(file);
  }
  return missing;
}

int ReportMissingChartSounds(Game& g) {
  std::vector<std::string> named;
  for (const std::string& file : g.chart.WavFile)
    if (!file.empty() && !g.chart.CourseMode) named.push_back(file);
  for (const std::string& file : g.chart.CourseWavFile)  // every song of a course
    if (!file.empty() && g.chart.CourseMode) named.push_back(file);
  const std::vector<std::string> missing = MissingSoundFiles(named);
  if (missing.empty()) return 0;
  const std::string count = std::to_string(missing.size());
  DebugLog(g, "Missing sound files: " + count + " (of " + std::to_string(named.size()) + " the chart names)");
  for (const std::string& file : missing) DebugLog(g, "  missing: " + file);
  // Short enough for the message line of the play screen.
  Show(g, count + (missing.size() == 1 ? " SOUND FILE MISSING" : " SOUND FILES MISSING"));
  return static_cast<int>(missing.size());
}

bool SoundPrefetchReady(Game& g, const std::string& file) {
  return !g.sound.prefetch || g.sound.prefetch->Ready(file);
}

void CancelSoundPrefetch(Game& g) {
  if (!g.sound.prefetch) return;
  g.sound.prefetch->chart.clear();
  g.sound.prefetch->Clear();
}

void LoadCourseWav(Game& g, int song, int id) {
  if (song < 0 || song >= 128 || !ValidNumber(id) || !CourseTablesReady(g) || !Use(g)) return;
  auto& s = g.sound;
  EnsureCourseSlots(s);
  int k = CourseIndex(song, id);
  const std::string& file = g.chart.CourseWavFile[k];
  if (file.empty()) return;
  if (s.CourseWavBuffer[k] && s.CourseLoadedWavFile[k] == file) {
    g.chart.CourseWavLoaded[k] = true;
    return;
  }
  DebugLog(g, "coursewav(song,wavid): " + file);
  uint32_t buffer = 0;
  int32_t frequency = 0;
  SoundError error = LoadBuffer(g, file, buffer, frequency);
  ReleaseCourseSlot(s, k);
  if (error != SoundError::None) {
    ReportError(g, error, file);
    return;
  }
  s.CourseWavBuffer[k] = buffer;
  s.CourseWavBaseFrequency[k] = frequency;
  s.CourseLoadedWavFile[k] = file;
  // Created in advance: the play does not load it again on first use.
  g.chart.CourseWavLoaded[k] = true;
}

void ReleaseCourseSounds(Game& g) {
  auto& s = g.sound;
  if (s.CourseWavBuffer.empty() || !Use(g)) return;
  for (int k = 0; k < static_cast<int>(s.CourseWavBuffer.size()); ++k) ReleaseCourseSlot(s, k);
  s.CourseWavBuffer.clear();
  s.CourseWavBaseFrequency.clear();
  s.CourseLoadedWavFile.clear();
}

// ---- Key sounds: playing ------------------------------------------------------------

// The closing fade lowers key sounds by 5 hundredths of a dB per ms: -20 dB
// 400 ms after the fade start, -50 dB after one second.
int32_t KeySoundFadeVolume(Game& g) {
  int32_t elapsed = static_cast<int32_t>(g.NowMs() - g.play.FadeStart);
  if (elapsed < 0) elapsed = 0;
  if (g.play.FadeState == 1) return std::max(kSilent, -elapsed * 5);
  if (g.play.FadeState == 3) return elapsed <= 1000 ? 0 : std::max(kSilent, -(elapsed - 1000) * 5);
  return 0;
}

void PlayWav(Game& g, int number, int echoTap, SoundKind kind) {
  if (!ValidNumber(number) || echoTap < 0 || echoTap >= kEchoTaps || !Use(g)) return;
  auto& s = g.sound;
  auto& c = g.chart;

  // Load on first use.
  bool course = c.CourseMode && CourseTablesReady(g);
  int k = course ? CourseIndex(std::clamp(c.CourseSong, 0, 127), number) : -1;
  if (course) {
    if (!c.CourseWavLoaded[k]) loadwav(g, number);
  } else if (!c.WavFile[number].empty() && !s.WavBuffers[number]) {
    loadwav(g, number);
  }

  // The buffer: the course song's own with CourseLoadMode 2, else the number's.
  uint32_t buffer = s.WavBuffers[number];
  int32_t base = s.WavBaseFrequency[number];
  int32_t frequency = s.WavFrequency[number];
  if (course && g.settings.CourseLoadMode == 2 && k < static_cast<int>(s.CourseWavBuffer.size()) &&
      s.CourseWavBuffer[k]) {
    buffer = s.CourseWavBuffer[k];
    base = s.CourseWavBaseFrequency[k];
    frequency = RoundEven(base * static_cast<double>(g.settings.RealHiSpeed));
  }
  if (!buffer) return;
  float pitch = PitchOf(frequency, base);

  if (echoTap == 0) {
    ALuint source = EnsureSource(s.WavSources[number]);
    if (!source) return;
    Attach(source, buffer);
    s.SlotBaseFrequency[number] = base;
    int32_t volume = KeySoundFadeVolume(g);
    s.WavVolume[number] = volume;
    s.WavKind[number] = kind;
    alSourcef(source, AL_PITCH, pitch);
    alSourcef(source, AL_GAIN, GainOf(volume) * MixGain(s, kind));
    alSourcei(source, AL_LOOPING, AL_FALSE);
    alSourceRewind(source);
    alSourcePlay(source);
    if (s.EchoEffect)
      for (int tap = 1; tap <= 4; ++tap) QueueEcho(g, g.play.ElapsedMs + 200 * tap, number, tap);
    return;
  }

  // An echo: a duplicate sharing the buffer, quieter with every tap.
  ALuint source = EnsureSource(s.EchoSources[EchoIndex(number, echoTap)]);
  if (!source) return;
  Attach(source, buffer);
  double share = echoTap / 4.0;
  alSourcef(source, AL_PITCH, pitch);
  alSourcef(source, AL_GAIN, GainOf(RoundEven(-8000.0 * share * share)) * MixGain(s, s.WavKind[number]));
  alSourcei(source, AL_LOOPING, AL_FALSE);
  alSourceRewind(source);
  alSourcePlay(source);
}

bool HasWavBuffer(Game& g, int number) {
  if (!ValidNumber(number) || !g.sound.device) return false;
  return g.sound.WavBuffers[number] || g.sound.SlotBaseFrequency[number] > 0;
}

bool IsWavPlaying(Game& g, int number) {
  if (!HasWavBuffer(g, number) || !Use(g)) return false;
  return SourceState(g.sound.WavSources[number]) == AL_PLAYING;
}

void StopWavBuffer(Game& g, int number) {
  if (!HasWavBuffer(g, number) || !Use(g)) return;
  ALuint source = g.sound.WavSources[number];
  if (SourceState(source) == AL_PLAYING) alSourcePause(source);
}

void ContinueWav(Game& g, int number) {
  if (!HasWavBuffer(g, number) || !Use(g)) return;
  ALuint source = g.sound.WavSources[number];
  if (SourceState(source) == AL_PAUSED) alSourcePlay(source);
}

void RestartWav(Game& g, int number) {
  if (!HasWavBuffer(g, number) || !Use(g)) return;
  auto& s = g.sound;
  ALuint source = EnsureSource(s.WavSources[number]);
  if (!source) return;
  if (!AttachedBuffer(source)) {
    Attach(source, s.WavBuffers[number]);
    s.SlotBaseFrequency[number] = s.WavBaseFrequency[number];
    alSourcef(source, AL_PITCH, PitchOf(s.WavFrequency[number], s.WavBaseFrequency[number]));
  }
  alSourceRewind(source);
  alSourcePlay(source);
}

void SetWavBufferFrequency(Game& g, int number, int32_t hz) {
  if (!ValidNumber(number) || hz <= 0 || !g.sound.WavBuffers[number] || !Use(g)) return;
  auto& s = g.sound;
  s.WavFrequency[number] = hz;
  ALuint source = s.WavSources[number];
  if (source && AttachedBuffer(source) == s.WavBuffers[number])
    alSourcef(source, AL_PITCH, PitchOf(hz, s.WavBaseFrequency[number]));
}

void ApplyPlaySpeedToSounds(Game& g) {
  if (!Use(g)) return;
  auto& s = g.sound;
  const double speed = g.settings.RealHiSpeed;
  for (int n = 1; n < kWavIds; ++n) {
    if (s.WavBuffers[n]) SetWavBufferFrequency(g, n, RoundEven(s.WavBaseFrequency[n] * speed));
    // A course song's buffer on the number's source follows the speed too.
    ALuint source = s.WavSources[n];
    if (source && s.SlotBaseFrequency[n] > 0 && AttachedBuffer(source) != s.WavBuffers[n]) {
      int32_t base = s.SlotBaseFrequency[n];
      alSourcef(source, AL_PITCH, PitchOf(RoundEven(base * speed), base));
    }
  }
}

void SetWavBufferVolume(Game& g, int number, int32_t hundredthsDb) {
  if (!HasWavBuffer(g, number) || !Use(g)) return;
  auto& s = g.sound;
  s.WavVolume[number] = std::clamp(hundredthsDb, kSilent, 0);
  if (ALuint source = EnsureSource(s.WavSources[number]))
    alSourcef(source, AL_GAIN, GainOf(hundredthsDb) * MixGain(s, s.WavKind[number]));
}

void SetAllWavVolumes(Game& g, int32_t hundredthsDb) {
  for (int n = 1; n < kWavIds; ++n)
    if (HasWavBuffer(g, n)) SetWavBufferVolume(g, n, hundredthsDb);
}

void StopChartSounds(Game& g) {
  if (!Use(g)) return;
  auto& s = g.sound;
  for (ALuint source : s.WavSources)
    if (source) alSourceRewind(source);
  for (ALuint source : s.EchoSources)
    if (source) alSourceRewind(source);
  s.PausedExtraSources.clear();
}

void PauseChartSounds(Game& g) {
  auto& s = g.sound;
  if (!Use(g)) return;
  // What an earlier freeze stopped stays remembered: a pause inside a break
  // finds those sounds stopped, and they must come back all the same.
  for (int n = 1; n < kWavIds; ++n) {
    if (!HasWavBuffer(g, n)) continue;
    if (SourceState(s.WavSources[n]) == AL_PLAYING) {
      g.play.SoundWasPlaying[n] = true;
      alSourcePause(s.WavSources[n]);
    }
  }
  for (ALuint source : s.EchoSources) {
    if (source && SourceState(source) == AL_PLAYING) {
      alSourcePause(source);
      s.PausedExtraSources.push_back(source);
    }
  }
}

void ResumeChartSounds(Game& g) {
  auto& s = g.sound;
  if (!Use(g)) return;
  for (int n = 1; n < kWavIds; ++n)
    if (g.play.SoundWasPlaying[n]) ContinueWav(g, n);
  for (ALuint source : s.PausedExtraSources)
    if (SourceState(source) == AL_PAUSED) alSourcePlay(source);
  s.PausedExtraSources.clear();
  g.play.SoundWasPlaying.fill(false);
}

// ---- Echo queue -------------------------------------------------------------------

void QueueEcho(Game& g, int32_t timeMs, int number, int tap) {
  auto& queue = g.sound.EchoQueue;
  if (static_cast<int>(queue.size()) >= kMaxEchoQueue) return;
  queue.push_back({timeMs, number, tap});
}

void RemoveEcho(Game& g, int index) {
  auto& queue = g.sound.EchoQueue;
  if (index < 0 || index >= static_cast<int>(queue.size())) return;
  queue.erase(queue.begin() + index);
}

void ClearEchoQueue(Game& g) { g.sound.EchoQueue.clear(); }

void SetEchoEffect(Game& g, bool on) {
  g.sound.EchoEffect = on;
  ClearEchoQueue(g);
}

void RunEchoQueue(Game& g, int32_t elapsedMs) {
  // Entries whose time has come are played and removed; later ones move down.
  auto& queue = g.sound.EchoQueue;
  for (size_t i = 0; i < queue.size();) {
    if (queue[i].Time < elapsedMs) {
      EchoEntry entry = queue[i];
      RemoveEcho(g, static_cast<int>(i));
      PlayWav(g, entry.Number, entry.Tap);
    } else {
      ++i;
    }
  }
}

}  // namespace kvx
