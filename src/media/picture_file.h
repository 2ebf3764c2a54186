#pragma once
// Picture files (BMP, PNG, JPEG, GIF, TGA): the size a file's header claims is
// read before anything is decoded, so a tiny file that claims a huge picture
// is refused instead of filling memory.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct SDL_Surface;

namespace kvx {

enum class PictureFormat { Bmp, Png, Jpeg, Gif, Tga };

struct PictureHeader {
  PictureFormat format;
  int64_t width = 0, height = 0;  // the largest the file claims (a GIF's screen or any of its frames)
};

struct PictureLimits {
  int64_t max_side = 8192;
  int64_t max_pixels = int64_t{32} << 20;  // 32 megapixels (8192x4096)
};

// A picture file larger than this is not read.
constexpr uint64_t kMaxPictureFileBytes = uint64_t{256} << 20;

// The format (from the file's first bytes; TGA, which has no mark, from the
// name's extension) and the size its header claims. Nothing when the bytes are
// not a picture of those formats or end before the size.
std::optional<PictureHeader> ReadPictureHeader(std::string_view bytes, std::string_view file_name);

// Decodes a picture held in memory with the decoder of the format its header
// names, once the size is within the limits. Null on failure, with `why` saying
// what was wrong. The caller frees the surface.
SDL_Surface* DecodePicture(std::string_view bytes, std::string_view file_name, const PictureLimits& limits,
                           std::string& why);

}  // namespace kvx
