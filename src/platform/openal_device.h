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
  // Returns nothing and the ALC error number when no device can be opened.
  static std::unique_ptr<AudioDevice> Open(bool preferNull, int* errorCode);
  ~AudioDevice();
  AudioDevice(const AudioDevice&) = delete;
  AudioDevice& operator=(const AudioDevice&) = delete;

  // Makes this device's context current; false when that fails.
  bool MakeCurrent();
  const std::string& Name() const { return name_; }

 private:
  AudioDevice() = default;
  void* device_ = nullptr;   // ALCdevice*
  void* context_ = nullptr;  // ALCcontext*
  std::string name_;
};

}  // namespace kvx
