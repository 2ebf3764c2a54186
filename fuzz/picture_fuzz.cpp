// Picture loading, fed the bytes of a picture file: the size in the header is
// checked before the format's decoder runs. The limits are smaller than the
// program's so that each input decodes quickly; the checks are the same.
#include <SDL.h>

#include "fuzz_game.h"
#include "media/picture_file.h"

using namespace kvx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  // TGA has no mark of its own: half the inputs are named as one.
  const char* name = fuzz::Choice(bytes) & 1 ? "fuzz.tga" : "fuzz.bmp";
  const PictureLimits limits{512, 512 * 256};
  std::string why;
  SDL_Surface* picture = DecodePicture(bytes, name, limits, why);
  if (!picture) {
    if (why.empty()) fuzz::Fail();
    return 0;
  }
  const auto header = ReadPictureHeader(bytes, name);
  if (!header || picture->w > limits.max_side || picture->h > limits.max_side ||
      int64_t{picture->w} * picture->h > limits.max_pixels)
    fuzz::Fail();
  SDL_FreeSurface(picture);
  return 0;
}
