#pragma once
// Decoding of sound files (WAV, OGG, FLAC, MP3 through libsndfile) into 16-bit
// PCM.
#include <cstdint>
#include <string>
#include <vector>

namespace kvx {

// Why a sound could not be loaded.
enum class SoundError {
  None,
  FileMissing,        // no file of that name (nor with another sound extension)
  DecodeFailed,       // not a sound file, or damaged
  UnsupportedFormat,  // a sound file whose layout cannot be played
  OutOfMemory,        // too long to hold in memory
  NoDevice,           // no sound device
  DeviceFailure,      // the device refused the buffer or source
  InvalidParam,       // no file name
};

// Decoded samples: interleaved, 1 or 2 channels.
struct DecodedSound {
  SoundError error = SoundError::None;
  std::string path;  // the file actually read
  int rate = 0;
  int channels = 0;
  std::vector<int16_t> samples;
};

// Largest decoded sound accepted, in samples (256 MiB of 16-bit PCM).
constexpr size_t kMaxDecodedSamples = size_t{128} << 20;

// The extensions tried when a named sound file is missing, in order.
const std::vector<std::string>& SoundFileExtensions();

// Finds the file a chart names (any letter case, "\" separators, trailing
// blanks ignored, other sound extensions tried) and decodes it.
DecodedSound DecodeSoundFile(const std::string& name);

// The key under which a name is cached: "/" separators, blanks trimmed.
std::string SoundCacheKey(const std::string& name);

}  // namespace kvx
