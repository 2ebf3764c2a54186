#pragma once
// The sound device: one OpenAL Soft device with its own context. Several games
// in one process each own a device; every call into OpenAL first makes the
// caller's context current, because the current context is process-wide.
#include <memory>
#include <string>

namespace kvx {

class AudioDevice {
 public:
  // Opens the default playback device. `preferNull` selects OpenAL Soft's
  // null backend (no output) unless ALSOFT_DRIVERS already chooses one.
  // `latencyMs` above 0 asks for update periods of a third of it (the mixer
  // keeps three periods), so a sound starts that soon; 0 keeps the device's
  // own sizes. OpenAL Soft 1.19 takes the period size only from its
  // configuration: `tuningFile` (a file of ours) is written with it and named
  // in ALSOFT_CONF, which is read when the process opens its first device. A
  // configuration file the player named there already is copied into it, and
  // period sizes set there win. Returns nothing and the ALC error number when
  // no device can be opened.
  static std::unique_ptr<AudioDevice> Open(bool preferNull, int* errorCode, int latencyMs = 0,
                                           const std::string& tuningFile = "");
  ~AudioDevice();
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  // Makes this device's context current; false when that fails.
  bool MakeCurrent();
  // Stops the mixer while nothing plays, so a resting program does not wake
  // hundreds of times a second; false where the device cannot pause. The
  // wave file writer never pauses: it starts again over its file's header.
  bool Pause();
  // Starts the mixer again (nothing when it runs).
  void Resume();
  bool Paused() const { return paused_; }
  const std::string& Name() const { return name_; }
  // What the device runs at: samples per second and samples per update period.
  int Frequency() const { return frequency_; }
  int UpdateSize() const { return update_size_; }
  static constexpr int kPeriods = 3;  // OpenAL Soft's periods unless its configuration says otherwise
  // The update rate (periods per second) that gives a buffer of latencyMs.
  static int RefreshFor(int latencyMs);
  // The text of the tuning file: the player's configuration, then our periods
  // unless it sets its own.
  static std::string TuningText(const std::string& playerConfig, int latencyMs);
  // Whether the drivers chosen (ALSOFT_DRIVERS, else a "drivers" line of the
  // configuration) start with the wave file writer.
  static bool WritesWaveFile(const char* driversVariable, const std::string& config);

 private:
  AudioDevice() = default;
  void* device_ = nullptr;   // ALCdevice*
  void* context_ = nullptr;  // ALCcontext*
  std::string name_;
  int frequency_ = 0, update_size_ = 0;
  bool paused_ = false;
  bool may_pause_ = false;
};

}  // namespace kvx
