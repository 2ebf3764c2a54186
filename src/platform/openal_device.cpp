#include "platform/openal_device.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <algorithm>
#include <cstdlib>

#include "platform/files.h"
#include "platform/text.h"

namespace kvx {

int AudioDevice::RefreshFor(int latencyMs) {
  if (latencyMs <= 0) return 0;
  return std::clamp((kPeriods * 1000 + latencyMs / 2) / latencyMs, 10, 1000);
}

std::string AudioDevice::TuningText(const std::string& playerConfig, int latencyMs) {
  std::string text = playerConfig;
  if (!text.empty() && text.back() != '\n') text += '\n';
  if (latencyMs <= 0 || text.find("period") != std::string::npos) return text;
  constexpr int kRate = 44100;  // OpenAL Soft scales the size to the device's own rate
  const int frames = std::clamp((kRate * latencyMs / (kPeriods * 1000) + 3) / 4 * 4, 64, 8192);
  return text + "[general]\nperiod_size = " + std::to_string(frames) + "\nperiods = " + std::to_string(kPeriods) + "\n";
}

bool AudioDevice::WritesWaveFile(const char* driversVariable, const std::string& config) {
  std::string drivers = driversVariable ? driversVariable : "";
  if (drivers.empty()) {
    for (const std::string& line : SplitLines(config)) {
      const std::string text = Trim(line);
      if (text.rfind("drivers", 0) != 0) continue;
      const size_t equals = text.find('=');
      if (equals != std::string::npos) drivers = Trim(text.substr(equals + 1));
    }
  }
  // The first driver named is the one that opens (a leading "-" removes one).
  const std::string first = Trim(drivers.substr(0, drivers.find(',')));
  return first == "wave";
}

namespace {

void WriteTuningFile(const std::string& file, int latencyMs) {
  const char* named = std::getenv("ALSOFT_CONF");
  std::string player;
  if (named && *named && file != named) player = ReadTextFile(named).value_or("");
  if (WriteFileSafely(file, AudioDevice::TuningText(player, latencyMs), false, nullptr))
    setenv("ALSOFT_CONF", file.c_str(), 1);
}

}  // namespace

std::unique_ptr<AudioDevice> AudioDevice::Open(bool preferNull, int* errorCode, int latencyMs,
                                               const std::string& tuningFile) {
  if (errorCode) *errorCode = 0;
  // OpenAL Soft reads ALSOFT_DRIVERS and ALSOFT_CONF once, when its first device opens.
  if (preferNull) setenv("ALSOFT_DRIVERS", "null", 0);
  if (!preferNull && latencyMs > 0 && !tuningFile.empty()) WriteTuningFile(tuningFile, latencyMs);
  ALCdevice* device = alcOpenDevice(nullptr);
  if (!device) {
    int error = alcGetError(nullptr);
    if (errorCode) *errorCode = error ? error : ALC_INVALID_DEVICE;
    return nullptr;
  }
  // Room for the key sounds of a chart, their echo duplicates and the system
  // sounds (the default of 256 sources is too few).
  // A short update period, so a sound started now is mixed soon.
  const int refresh = RefreshFor(latencyMs);
  const ALCint attributes[] = {ALC_MONO_SOURCES, 1792, ALC_STEREO_SOURCES, 256, refresh ? ALC_REFRESH : 0, refresh, 0};
  ALCcontext* context = alcCreateContext(device, attributes);
  if (!context) context = alcCreateContext(device, nullptr);
  if (!context) {
    int error = alcGetError(device);
    alcCloseDevice(device);
    if (errorCode) *errorCode = error ? error : ALC_INVALID_CONTEXT;
    return nullptr;
  }
  std::unique_ptr<AudioDevice> result(new AudioDevice);
  result->device_ = device;
  result->context_ = context;
  const ALCchar* name = alcGetString(device, ALC_DEVICE_SPECIFIER);
  result->name_ = name ? name : "";
  ALCint frequency = 0, updates = 0;
  alcGetIntegerv(device, ALC_FREQUENCY, 1, &frequency);
  alcGetIntegerv(device, ALC_REFRESH, 1, &updates);
  result->frequency_ = frequency;
  result->update_size_ = updates > 0 ? frequency / updates : 0;
  const char* conf = std::getenv("ALSOFT_CONF");
  result->may_pause_ = !WritesWaveFile(std::getenv("ALSOFT_DRIVERS"), conf ? ReadTextFile(conf).value_or("") : "");
  if (!result->MakeCurrent()) {
    if (errorCode) *errorCode = ALC_INVALID_CONTEXT;
    return nullptr;
  }
  return result;
}

AudioDevice::~AudioDevice() {
  auto* context = static_cast<ALCcontext*>(context_);
  if (context) {
    if (alcGetCurrentContext() == context) alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
  }
  if (device_) alcCloseDevice(static_cast<ALCdevice*>(device_));
}

bool AudioDevice::Pause() {
  auto* device = static_cast<ALCdevice*>(device_);
  if (paused_) return true;
  if (!device || !may_pause_ || !alcIsExtensionPresent(device, "ALC_SOFT_pause_device")) return false;
  auto pause = reinterpret_cast<LPALCDEVICEPAUSESOFT>(alcGetProcAddress(device, "alcDevicePauseSOFT"));
  if (!pause) return false;
  alcGetError(device);  // an earlier error is not this call's
  pause(device);
  paused_ = alcGetError(device) == ALC_NO_ERROR;
  return paused_;
}

void AudioDevice::Resume() {
  if (!paused_) return;
  auto* device = static_cast<ALCdevice*>(device_);
  auto resume = reinterpret_cast<LPALCDEVICERESUMESOFT>(alcGetProcAddress(device, "alcDeviceResumeSOFT"));
  if (resume) resume(device);
  paused_ = false;
}

bool AudioDevice::MakeCurrent() {
  auto* context = static_cast<ALCcontext*>(context_);
  if (!context) return false;
  if (alcGetCurrentContext() == context) return true;
  return alcMakeContextCurrent(context) == ALC_TRUE;
}

}  // namespace kvx
