#include "platform/openal_device.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <cstdlib>

namespace kvx {

std::unique_ptr<AudioDevice> AudioDevice::Open(bool preferNull, int* errorCode) {
  if (errorCode) *errorCode = 0;
  // OpenAL Soft reads ALSOFT_DRIVERS once, when its first device opens.
  if (preferNull) setenv("ALSOFT_DRIVERS", "null", 0);
  ALCdevice* device = alcOpenDevice(nullptr);
  if (!device) {
    int error = alcGetError(nullptr);
    if (errorCode) *errorCode = error ? error : ALC_INVALID_DEVICE;
    return nullptr;
  }
  // Room for the key sounds of a chart, their echo duplicates and the system
  // sounds (the default of 256 sources is too few).
  const ALCint attributes[] = {ALC_MONO_SOURCES, 1792, ALC_STEREO_SOURCES, 256, 0};
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

bool AudioDevice::MakeCurrent() {
  auto* context = static_cast<ALCcontext*>(context_);
  if (!context) return false;
  if (alcGetCurrentContext() == context) return true;
  return alcMakeContextCurrent(context) == ALC_TRUE;
}

}  // namespace kvx
