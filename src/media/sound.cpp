#include "media/sound.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <thread>

#include "chart/bms_commands.h"
#include "chart/chart_state.h"
#include "chart/chart_text.h"
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

bool Use(const SoundState& s) { return s.device && s.device->MakeCurrent(); }

// Starting a sound wakes the mixer first (RestSound may have stopped it).
bool UseToPlay(const SoundState& s) {
  if (s.device) s.device->Resume();
  return Use(s);
}

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

void Show(SoundState& s, const SoundLinks& links, const std::string& text) {
  s.LastMessage = text;
  if (links.show_message) links.show_message(text);
}

void ReportError(SoundState& s, const SoundLinks& links, SoundError error, const std::string& file) {
  s.LastError = error;
  std::string text = SoundErrorText(error, file);
  links.services.Log(text);
  Show(s, links, text);
}

int EchoIndex(int number, int tap) { return number + kWavIds * tap; }

bool CourseTablesReady(const ChartState& c) {
  return c.CourseWavFile.size() >= static_cast<size_t>(kCourseWavSlots) &&
         c.CourseWavLoaded.size() >= static_cast<size_t>(kCourseWavSlots);
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
DecodedSound Decode(SoundState& s, const std::string& file) {
  if (s.prefetch) {
    if (auto ready = s.prefetch->Take(file)) return std::move(*ready);
  }
  return DecodeSoundFile(file);
}

// Loads a file into a fresh buffer; on failure the buffer is 0.
SoundError LoadBuffer(SoundState& s, const std::string& file, uint32_t& buffer, int32_t& frequency) {
  buffer = 0;
  frequency = 0;
  if (!Use(s)) return SoundError::NoDevice;
  DecodedSound sound = Decode(s, file);
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
void LogSoundDevice(const SoundState& s, const Services& services, int latency) {
  const AudioDevice& d = *s.device;
  const int hz = d.Frequency(), update = d.UpdateSize();
  char line[200];
  std::snprintf(line, sizeof line, "Sound device: %s, %d Hz, update %d samples (%.1f ms) x %d periods, asked %d ms%s",
                d.Name().c_str(), hz, update, hz > 0 ? 1000.0 * update / hz : 0.0, AudioDevice::kPeriods, latency,
                latency > 0 ? "" : " (the device's own sizes)");
  services.Log(line);
}

}  // namespace

void InitDS(SoundState& s, const SoundDeviceSettings& settings, const Services& services) {
  services.Log("[InitDS]");
  if (s.device) ReleaseSound(s);
  int error = 0;
  const int latency = settings.latency_ms;
  s.device = AudioDevice::Open(settings.headless, &error, latency, settings.data_folder + "/alsoft_periods.conf");
  if (!s.device) {
    services.Log("Error: Can't create DirectSound object. : " + std::to_string(error));
    return;
  }
  s.opened_ms = services.NowMs();
  LogSoundDevice(s, services, latency);
  services.Log("SetCooperativeLevel: DSSCL_PRIORITY");
  services.Log("loading SEs...");
  for (int i = 0; i < kSystemSoundCount; ++i) {
    std::string file = settings.data_folder + "/wav/" + kSystemSoundFiles[i];
    int32_t frequency = 0;
    SoundError failed = LoadBuffer(s, file, s.SystemSounds[i], frequency);
    if (failed == SoundError::None && !EnsureSource(s.SystemSources[i])) {
      DeleteBuffer(s.SystemSounds[i]);
      failed = SoundError::DeviceFailure;
    }
    if (failed != SoundError::None) {
      services.Log(std::string("  ") + kSystemSoundFiles[i] + ": " + SoundErrorText(failed, file));
      continue;
    }
    alSourcei(s.SystemSources[i], AL_BUFFER, static_cast<ALint>(s.SystemSounds[i]));
  }
  ApplyMixerGains(s);
}

void ReleaseSound(SoundState& s) {
  s.prefetch.reset();
  if (s.device && s.device->MakeCurrent()) ReleaseAllObjects(s);
  s.SystemSounds.fill(0);
  s.SystemSources.fill(0);
  s.WavBuffers.fill(0);
  s.WavSources.fill(0);
  std::fill(s.EchoSources.begin(), s.EchoSources.end(), 0);
  s.device.reset();
}

bool SoundAvailable(const SoundState& s) { return static_cast<bool>(s.device); }

bool HasSystemSound(const SoundState& s, int index) {
  return index >= 0 && index < kSystemSoundCount && s.SystemSounds[index] && s.device;
}

namespace {

bool AnySourcePlaying(const SoundState& s) {
  auto playing = [](uint32_t source) { return source && SourceState(source) == AL_PLAYING; };
  return std::any_of(s.SystemSources.begin(), s.SystemSources.end(), playing) ||
         std::any_of(s.WavSources.begin(), s.WavSources.end(), playing) ||
         std::any_of(s.EchoSources.begin(), s.EchoSources.end(), playing);
}

}  // namespace

void RestSound(SoundState& s, uint32_t now) {
  constexpr uint32_t kQuietCheckMs = 1000;
  if (!s.device || s.device->Paused() || now - s.quiet_checked_ms < kQuietCheckMs) return;
  s.quiet_checked_ms = now;
  if (!s.device->MakeCurrent() || AnySourcePlaying(s)) {
    s.quiet_checks = 0;
    return;
  }
  // Quiet at two looks a second apart: a sound that ends just before a look
  // (its tail still in the mixer) is heard out before the device stops.
  if (++s.quiet_checks >= 2) {
    s.quiet_checks = 0;
    s.device->Pause();
  }
}

void PlaySE(SoundState& s, int index, bool looping) {
  if (!HasSystemSound(s, index) || !UseToPlay(s)) return;
  ALuint source = s.SystemSources[index];
  alSourceStop(source);
  alSourceRewind(source);
  alSourcei(source, AL_LOOPING, looping ? AL_TRUE : AL_FALSE);
  alSourcePlay(source);
}

void StopSE(SoundState& s, int index) {
  if (!HasSystemSound(s, index) || !Use(s)) return;
  alSourceStop(s.SystemSources[index]);
}

bool IsSystemSoundPlaying(SoundState& s, int index) {
  if (!HasSystemSound(s, index) || !Use(s)) return false;
  return SourceState(s.SystemSources[index]) == AL_PLAYING;
}

void SetSystemSoundVolume(SoundState& s, int index, int32_t hundredthsDb) {
  if (!HasSystemSound(s, index) || !Use(s)) return;
  s.SystemVolume[index] = std::clamp(hundredthsDb, kSilent, 0);
  alSourcef(s.SystemSources[index], AL_GAIN, GainOf(hundredthsDb) * s.SystemGain);
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

void loadwav(SoundState& s, ChartState& c, const SoundLinks& links, int number) {
  if (!ValidNumber(number) || !Use(s)) return;
  const uint32_t t0 = links.services.NowMs();
  const std::string n = std::to_string(number);

  std::string file;
  bool load = false;
  if (c.CourseMode && links.on_play_screen && CourseTablesReady(c)) {
    int k = CourseIndex(std::clamp(c.CourseSong, 0, 127), number);
    c.CourseWavLoaded[k] = true;
    file = c.CourseWavFile[k];
    if (file.empty()) return;
    if (file == s.LoadedWavFile[number] && s.WavBuffers[number]) {
      links.services.Log("loadwav: " + n + " > cancelled");
    } else {
      links.services.Log("loadwav2: " + n);
      load = true;
    }
  } else {
    file = c.WavFile[number];
    if (file.empty()) return;  // the chart does not use the number
    if (file == s.LoadedWavFile[number] && s.WavBuffers[number]) {
      links.services.Log("loadwav: " + n + " > cancelled");
    } else {
      links.services.Log("loadwav: " + n);
      load = true;
    }
  }

  if (load) {
    uint32_t buffer = 0;
    int32_t frequency = 0;
    SoundError error = LoadBuffer(s, file, buffer, frequency);
    // The number's old buffer held another file; it goes either way.
    ReleaseWavBuffer(s, number);
    s.LoadedWavFile[number].clear();
    if (error != SoundError::None) {
      ReportError(s, links, error, file);
      return;
    }
    s.WavBuffers[number] = buffer;
    s.WavBaseFrequency[number] = frequency;
    s.LoadedWavFile[number] = file;
  }

  Show(s, links,
       "WAV LOAD: " + Hex(number) + " (in " + std::to_string(static_cast<int32_t>(links.services.NowMs() - t0)) + "ms)");
  ALint frequency = 0;
  alGetBufferi(s.WavBuffers[number], AL_FREQUENCY, &frequency);
  if (frequency > 0) s.WavBaseFrequency[number] = frequency;
  c.WavLoadState[number] = 255;
  SetWavBufferFrequency(s, number, RoundEven(s.WavBaseFrequency[number] * links.play_speed));
}

void ReleaseChangedSounds(SoundState& s, const ChartState& c) {
  CancelSoundPrefetch(s);
  if (c.BackgroundPreview || !Use(s)) return;
  for (int id = 0; id < kWavIds; ++id) {
    if (c.WavFile[id] != s.LoadedWavFile[id]) {
      ReleaseWavBuffer(s, id);
      s.LoadedWavFile[id].clear();
    }
  }
  if (!c.CourseMode || !CourseTablesReady(c)) {
    ReleaseCourseSounds(s);
    return;
  }
  for (int k = 0; k < static_cast<int>(s.CourseWavBuffer.size()); ++k)
    if (c.CourseWavFile[k] != s.CourseLoadedWavFile[k]) ReleaseCourseSlot(s, k);
}

void PrefetchSoundFiles(SoundState& s, const std::vector<std::string>& files) {
  if (!SoundAvailable(s) || files.empty()) return;
  if (!s.prefetch) {
    int cores = static_cast<int>(std::thread::hardware_concurrency());
    s.prefetch = std::make_unique<SoundPrefetcher>(std::clamp(cores, 1, 4));
  }
  s.prefetch->Add(files);
}

namespace {

bool SoundsLoadWhileReading(const SoundState& s, const ChartState& c, const SoundPrefetchRules& rules) {
  return rules.wav_load_mode == 0 && !rules.no_wav && !c.CourseMode && SoundAvailable(s);
}

}  // namespace

void PrefetchChartSounds(SoundState& s, const ChartState& c, const SoundPrefetchRules& rules,
                         const std::string& chartPath) {
  if (!SoundsLoadWhileReading(s, c, rules)) return;
  ChartTextInfo info;
  const std::string text = LoadChartText(chartPath, rules.modern_charts, &info);
  if (!info.readable) {
    CancelSoundPrefetch(s);
    return;
  }
  PrefetchChartSounds(s, c, rules, chartPath, text);
}

void PrefetchChartSounds(SoundState& s, const ChartState& c, const SoundPrefetchRules& rules,
                         const std::string& chartPath, std::string_view text) {
  if (!SoundsLoadWhileReading(s, c, rules)) return;
  // Already decoding this chart's sounds (started before the loading screen).
  if (s.prefetch && s.prefetch->chart == chartPath && s.prefetch->Queued() > 0) return;
  // A new chart: whatever an earlier, abandoned read left is of no use.
  CancelSoundPrefetch(s);
  std::vector<std::string> files;
  for (auto& [id, file] : ChartSoundFiles(chartPath, text, rules.modern_charts)) {
    if (s.WavBuffers[id] && SoundCacheKey(s.LoadedWavFile[id]) == SoundCacheKey(file)) continue;
    files.push_back(std::move(file));
  }
  PrefetchSoundFiles(s, files);
  if (s.prefetch) s.prefetch->chart = chartPath;
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

int ReportMissingChartSounds(SoundState& s, const ChartState& c, const SoundLinks& links) {
  std::vector<std::string> named;
  for (const std::string& file : c.WavFile)
    if (!file.empty() && !c.CourseMode) named.push_back(file);
  for (const std::string& file : c.CourseWavFile)  // every song of a course
    if (!file.empty() && c.CourseMode) named.push_back(file);
  const std::vector<std::string> missing = MissingSoundFiles(named);
  if (missing.empty()) return 0;
  const std::string count = std::to_string(missing.size());
  links.services.Log("Missing sound files: " + count + " (of " + std::to_string(named.size()) + " the chart names)");
  for (const std::string& file : missing) links.services.Log("  missing: " + file);
  // Short enough for the message line of the play screen.
  Show(s, links, count + (missing.size() == 1 ? " SOUND FILE MISSING" : " SOUND FILES MISSING"));
  return static_cast<int>(missing.size());
}

bool SoundPrefetchReady(const SoundState& s, const std::string& file) {
  return !s.prefetch || s.prefetch->Ready(file);
}

void CancelSoundPrefetch(SoundState& s) {
  if (!s.prefetch) return;
  s.prefetch->chart.clear();
  s.prefetch->Clear();
}

void LoadCourseWav(SoundState& s, ChartState& c, const SoundLinks& links, int song, int id) {
  if (song < 0 || song >= 128 || !ValidNumber(id) || !CourseTablesReady(c) || !Use(s)) return;
  EnsureCourseSlots(s);
  int k = CourseIndex(song, id);
  const std::string& file = c.CourseWavFile[k];
  if (file.empty()) return;
  if (s.CourseWavBuffer[k] && s.CourseLoadedWavFile[k] == file) {
    c.CourseWavLoaded[k] = true;
    return;
  }
  links.services.Log("coursewav(song,wavid): " + file);
  uint32_t buffer = 0;
  int32_t frequency = 0;
  SoundError error = LoadBuffer(s, file, buffer, frequency);
  ReleaseCourseSlot(s, k);
  if (error != SoundError::None) {
    ReportError(s, links, error, file);
    return;
  }
  s.CourseWavBuffer[k] = buffer;
  s.CourseWavBaseFrequency[k] = frequency;
  s.CourseLoadedWavFile[k] = file;
  // Created in advance: the play does not load it again on first use.
  c.CourseWavLoaded[k] = true;
}

void ReleaseCourseSounds(SoundState& s) {
  if (s.CourseWavBuffer.empty() || !Use(s)) return;
  for (int k = 0; k < static_cast<int>(s.CourseWavBuffer.size()); ++k) ReleaseCourseSlot(s, k);
  s.CourseWavBuffer.clear();
  s.CourseWavBaseFrequency.clear();
  s.CourseLoadedWavFile.clear();
}

// ---- Key sounds: playing ------------------------------------------------------------

// The closing fade lowers key sounds by 5 hundredths of a dB per ms: -20 dB
// 400 ms after the fade start, -50 dB after one second.
int32_t KeySoundFadeVolume(uint32_t nowMs, int fadeState, uint32_t fadeStartMs) {
  int32_t elapsed = static_cast<int32_t>(nowMs - fadeStartMs);
  if (elapsed < 0) elapsed = 0;
  if (fadeState == 1) return std::max(kSilent, -elapsed * 5);
  if (fadeState == 3) return elapsed <= 1000 ? 0 : std::max(kSilent, -(elapsed - 1000) * 5);
  return 0;
}

void PlayWav(SoundState& s, ChartState& c, const SoundLinks& links, int number, int echoTap, SoundKind kind) {
  if (!ValidNumber(number) || echoTap < 0 || echoTap >= kEchoTaps || !UseToPlay(s)) return;

  // Load on first use.
  bool course = c.CourseMode && CourseTablesReady(c);
  int k = course ? CourseIndex(std::clamp(c.CourseSong, 0, 127), number) : -1;
  if (course) {
    if (!c.CourseWavLoaded[k]) loadwav(s, c, links, number);
  } else if (!c.WavFile[number].empty() && !s.WavBuffers[number]) {
    loadwav(s, c, links, number);
  }

  // The buffer: the course song's own with CourseLoadMode 2, else the number's.
  uint32_t buffer = s.WavBuffers[number];
  int32_t base = s.WavBaseFrequency[number];
  int32_t frequency = s.WavFrequency[number];
  if (course && links.course_load_mode == 2 && k < static_cast<int>(s.CourseWavBuffer.size()) &&
      s.CourseWavBuffer[k]) {
    buffer = s.CourseWavBuffer[k];
    base = s.CourseWavBaseFrequency[k];
    frequency = RoundEven(base * links.play_speed);
  }
  if (!buffer) return;
  float pitch = PitchOf(frequency, base);

  if (echoTap == 0) {
    ALuint source = EnsureSource(s.WavSources[number]);
    if (!source) return;
    Attach(source, buffer);
    s.SlotBaseFrequency[number] = base;
    int32_t volume = links.key_volume;
    s.WavVolume[number] = volume;
    s.WavKind[number] = kind;
    alSourcef(source, AL_PITCH, pitch);
    alSourcef(source, AL_GAIN, GainOf(volume) * MixGain(s, kind));
    alSourcei(source, AL_LOOPING, AL_FALSE);
    alSourceRewind(source);
    alSourcePlay(source);
    if (s.EchoEffect)
      for (int tap = 1; tap <= 4; ++tap) QueueEcho(s, links.elapsed_ms + 200 * tap, number, tap);
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

bool HasWavBuffer(const SoundState& s, int number) {
  if (!ValidNumber(number) || !s.device) return false;
  return s.WavBuffers[number] || s.SlotBaseFrequency[number] > 0;
}

bool IsWavPlaying(SoundState& s, int number) {
  if (!HasWavBuffer(s, number) || !Use(s)) return false;
  return SourceState(s.WavSources[number]) == AL_PLAYING;
}

void StopWavBuffer(SoundState& s, int number) {
  if (!HasWavBuffer(s, number) || !Use(s)) return;
  ALuint source = s.WavSources[number];
  if (SourceState(source) == AL_PLAYING) alSourcePause(source);
}

void ContinueWav(SoundState& s, int number) {
  if (!HasWavBuffer(s, number) || !UseToPlay(s)) return;
  ALuint source = s.WavSources[number];
  if (SourceState(source) == AL_PAUSED) alSourcePlay(source);
}

void RestartWav(SoundState& s, int number) {
  if (!HasWavBuffer(s, number) || !UseToPlay(s)) return;
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

void SetWavBufferFrequency(SoundState& s, int number, int32_t hz) {
  if (!ValidNumber(number) || hz <= 0 || !s.WavBuffers[number] || !Use(s)) return;
  s.WavFrequency[number] = hz;
  ALuint source = s.WavSources[number];
  if (source && AttachedBuffer(source) == s.WavBuffers[number])
    alSourcef(source, AL_PITCH, PitchOf(hz, s.WavBaseFrequency[number]));
}

void ApplyPlaySpeedToSounds(SoundState& s, double speed) {
  if (!Use(s)) return;
  for (int n = 1; n < kWavIds; ++n) {
    if (s.WavBuffers[n]) SetWavBufferFrequency(s, n, RoundEven(s.WavBaseFrequency[n] * speed));
    // A course song's buffer on the number's source follows the speed too.
    ALuint source = s.WavSources[n];
    if (source && s.SlotBaseFrequency[n] > 0 && AttachedBuffer(source) != s.WavBuffers[n]) {
      int32_t base = s.SlotBaseFrequency[n];
      alSourcef(source, AL_PITCH, PitchOf(RoundEven(base * speed), base));
    }
  }
}

void SetWavBufferVolume(SoundState& s, int number, int32_t hundredthsDb) {
  if (!HasWavBuffer(s, number) || !Use(s)) return;
  s.WavVolume[number] = std::clamp(hundredthsDb, kSilent, 0);
  if (ALuint source = EnsureSource(s.WavSources[number]))
    alSourcef(source, AL_GAIN, GainOf(hundredthsDb) * MixGain(s, s.WavKind[number]));
}

void SetAllWavVolumes(SoundState& s, int32_t hundredthsDb) {
  for (int n = 1; n < kWavIds; ++n)
    if (HasWavBuffer(s, n)) SetWavBufferVolume(s, n, hundredthsDb);
}

void StopChartSounds(SoundState& s) {
  if (!Use(s)) return;
  for (ALuint source : s.WavSources)
    if (source) alSourceRewind(source);
  for (ALuint source : s.EchoSources)
    if (source) alSourceRewind(source);
  s.PausedExtraSources.clear();
}

void PauseChartSounds(SoundState& s, std::array<bool, kWavIds>& wasPlaying) {
  if (!Use(s)) return;
  // What an earlier freeze stopped stays remembered: a pause inside a break
  // finds those sounds stopped, and they must come back all the same.
  for (int n = 1; n < kWavIds; ++n) {
    if (!HasWavBuffer(s, n)) continue;
    if (SourceState(s.WavSources[n]) == AL_PLAYING) {
      wasPlaying[n] = true;
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

void ResumeChartSounds(SoundState& s, std::array<bool, kWavIds>& wasPlaying) {
  if (!UseToPlay(s)) return;
  for (int n = 1; n < kWavIds; ++n)
    if (wasPlaying[n]) ContinueWav(s, n);
  for (ALuint source : s.PausedExtraSources)
    if (SourceState(source) == AL_PAUSED) alSourcePlay(source);
  s.PausedExtraSources.clear();
  wasPlaying.fill(false);
}

// ---- Echo queue -------------------------------------------------------------------

void QueueEcho(SoundState& s, int32_t timeMs, int number, int tap) {
  auto& queue = s.EchoQueue;
  if (static_cast<int>(queue.size()) >= kMaxEchoQueue) return;
  queue.push_back({timeMs, number, tap});
}

void RemoveEcho(SoundState& s, int index) {
  auto& queue = s.EchoQueue;
  if (index < 0 || index >= static_cast<int>(queue.size())) return;
  queue.erase(queue.begin() + index);
}

void ClearEchoQueue(SoundState& s) { s.EchoQueue.clear(); }

void SetEchoEffect(SoundState& s, bool on) {
  s.EchoEffect = on;
  ClearEchoQueue(s);
}

void RunEchoQueue(SoundState& s, ChartState& c, const SoundLinks& links, int32_t elapsedMs) {
  // Entries whose time has come are played and removed; later ones move down.
  auto& queue = s.EchoQueue;
  for (size_t i = 0; i < queue.size();) {
    if (queue[i].Time < elapsedMs) {
      EchoEntry entry = queue[i];
      RemoveEcho(s, static_cast<int>(i));
      PlayWav(s, c, links, entry.Number, entry.Tap);
    } else {
      ++i;
    }
  }
}

}  // namespace kvx
