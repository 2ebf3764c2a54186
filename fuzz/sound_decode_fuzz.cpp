// Sound decoding, fed the bytes of a sound file (WAV, OGG, FLAC or MP3, as
// libsndfile finds it): what decodes is 16-bit PCM of one or two channels
// within the size limit.
#include <fstream>

#include "fuzz_game.h"
#include "media/sound_decode.h"

using namespace kvx;

namespace {

std::string folder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  folder = fuzz::MakeScratchFolder("/tmp/kvx-fuzz-sound-");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  // The extension only names the file; the decoder goes by the contents.
  static const char* const kNames[] = {"/fuzz.wav", "/fuzz.ogg", "/fuzz.flac", "/fuzz.mp3"};
  const std::string path = folder + kNames[fuzz::Choice(bytes) & 3];
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(size));
  const DecodedSound sound = DecodeSoundFile(path);
  std::remove(path.c_str());
  if (sound.error != SoundError::None) {
    if (!sound.samples.empty()) fuzz::Fail();
    return 0;
  }
  if (sound.channels < 1 || sound.channels > 2 || sound.rate <= 0 || sound.samples.size() > kMaxDecodedSamples ||
      sound.samples.size() % static_cast<size_t>(sound.channels) != 0)
    fuzz::Fail();
  return 0;
}
