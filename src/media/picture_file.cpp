#include "media/picture_file.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>

#include "platform/text.h"

namespace kvx {

namespace {

uint32_t Le16(std::string_view b, size_t at) {
  return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}
uint32_t Be16(std::string_view b, size_t at) {
  return static_cast<unsigned char>(b[at]) << 8 | static_cast<unsigned char>(b[at + 1]);
}
uint32_t Le32(std::string_view b, size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }
uint32_t Be32(std::string_view b, size_t at) { return Be16(b, at) << 16 | Be16(b, at + 2); }

bool StartsWith(std::string_view b, std::string_view prefix) { return b.substr(0, prefix.size()) == prefix; }

std::optional<PictureHeader> BmpHeader(std::string_view b) {
  if (b.size() < 26) return std::nullopt;
  if (Le32(b, 14) == 12) return PictureHeader{PictureFormat::Bmp, Le16(b, 18), Le16(b, 20)};
  const int64_t width = static_cast<int32_t>(Le32(b, 18));
  const int64_t height = static_cast<int32_t>(Le32(b, 22));
  return PictureHeader{PictureFormat::Bmp, width, height < 0 ? -height : height};  // negative: stored top-down
}

std::optional<PictureHeader> PngHeader(std::string_view b) {
  if (b.size() < 24 || b.substr(12, 4) != "IHDR") return std::nullopt;
  return PictureHeader{PictureFormat::Png, Be32(b, 16), Be32(b, 20)};
}

// The first frame header (SOFn) gives the size.
std::optional<PictureHeader> JpegHeader(std::string_view b) {
  size_t at = 2;
  while (at + 1 < b.size()) {
    if (static_cast<unsigned char>(b[at]) != 0xFF) return std::nullopt;
    const unsigned marker = static_cast<unsigned char>(b[at + 1]);
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // markers without a length
      at += 2;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA || at + 4 > b.size()) return std::nullopt;  // no frame before the data
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (at + 9 > b.size()) return std::nullopt;
      return PictureHeader{PictureFormat::Jpeg, Be16(b, at + 7), Be16(b, at + 5)};
    }
    const size_t length = Be16(b, at + 2);
    if (length < 2) return std::nullopt;
    at += 2 + length;
  }
  return std::nullopt;
}

// Skips a run of GIF data sub-blocks (a length byte, then that many bytes,
// until a zero length); false when the bytes end first.
bool SkipGifSubBlocks(std::string_view b, size_t& at) {
  while (at < b.size()) {
    const size_t length = static_cast<unsigned char>(b[at++]);
    if (length == 0) return true;
    at += length;
  }
  return false;
}

size_t GifColourTableBytes(unsigned packed) { return (packed & 0x80) ? 3u << ((packed & 7) + 1) : 0; }

// The logical screen and every frame: the largest of them.
std::optional<PictureHeader> GifHeader(std::string_view b) {
  if (b.size() < 13) return std::nullopt;
  PictureHeader h{PictureFormat::Gif, Le16(b, 6), Le16(b, 8)};
  size_t at = 13 + GifColourTableBytes(static_cast<unsigned char>(b[10]));
  while (at < b.size()) {
    const unsigned block = static_cast<unsigned char>(b[at]);
    if (block == 0x21) {  // extension: label, then sub-blocks
      at += 2;
      if (!SkipGifSubBlocks(b, at)) break;
    } else if (block == 0x2C) {  // frame
      if (at + 10 > b.size()) break;
      h.width = std::max<int64_t>(h.width, Le16(b, at + 5));
      h.height = std::max<int64_t>(h.height, Le16(b, at + 7));
      at += 10 + GifColourTableBytes(static_cast<unsigned char>(b[at + 9])) + 1;  // and the code size byte
      if (!SkipGifSubBlocks(b, at)) break;
    } else if (block == 0x3B) {
      break;  // the trailer
    } else {
      ++at;  // the decoder skips a stray byte and reads on, so the scan does too
    }
  }
  return h;
}

std::optional<PictureHeader> TgaHeader(std::string_view b) {
  if (b.size() < 18) return std::nullopt;
  return PictureHeader{PictureFormat::Tga, Le16(b, 12), Le16(b, 14)};
}

bool HasTgaExtension(std::string_view file_name) {
  return file_name.size() >= 4 && EqualsNoCase(file_name.substr(file_name.size() - 4), ".tga");
}

SDL_Surface* DecodeAs(PictureFormat format, SDL_RWops* in) {
  switch (format) {
    case PictureFormat::Bmp: return IMG_LoadBMP_RW(in);
    case PictureFormat::Png: return IMG_LoadPNG_RW(in);
    case PictureFormat::Jpeg: return IMG_LoadJPG_RW(in);
    case PictureFormat::Gif: return IMG_LoadGIF_RW(in);
    case PictureFormat::Tga: return IMG_LoadTGA_RW(in);
  }
  return nullptr;
}

}  // namespace

std::optional<PictureHeader> ReadPictureHeader(std::string_view bytes, std::string_view file_name) {
  if (StartsWith(bytes, "BM")) return BmpHeader(bytes);
  if (StartsWith(bytes, "\x89PNG\r\n\x1a\n")) return PngHeader(bytes);
  if (StartsWith(bytes, "\xFF\xD8")) return JpegHeader(bytes);
  if (StartsWith(bytes, "GIF87a") || StartsWith(bytes, "GIF89a")) return GifHeader(bytes);
  if (HasTgaExtension(file_name)) return TgaHeader(bytes);
  return std::nullopt;
}

SDL_Surface* DecodePicture(std::string_view bytes, std::string_view file_name, const PictureLimits& limits,
                           std::string& why) {
  if (bytes.size() > kMaxPictureFileBytes) {
    why = "the file is larger than " + std::to_string(kMaxPictureFileBytes >> 20) + " MB";
    return nullptr;
  }
  const std::optional<PictureHeader> header = ReadPictureHeader(bytes, file_name);
  if (!header) {
    why = "not a BMP, PNG, JPEG, GIF or TGA picture";
    return nullptr;
  }
  const std::string size = std::to_string(header->width) + "x" + std::to_string(header->height);
  if (header->width <= 0 || header->height <= 0) {
    why = "the picture claims a size of " + size;
    return nullptr;
  }
  if (header->width > limits.max_side || header->height > limits.max_side ||
      header->width * header->height > limits.max_pixels) {
    why = size + " is too large: at most " + std::to_string(limits.max_side) + " on a side and " +
          std::to_string(limits.max_pixels) + " pixels";
    return nullptr;
  }
  SDL_RWops* in = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
  if (!in) {
    why = SDL_GetError();
    return nullptr;
  }
  SDL_Surface* picture = DecodeAs(header->format, in);
  SDL_RWclose(in);
  if (!picture) {
    // Some decoders give up without setting an error (a GIF with no frame).
    why = SDL_GetError();
    if (why.empty()) why = "the picture's data cannot be decoded";
    return nullptr;
  }
  // A decoder that made something larger than the header said is not trusted either.
  if (picture->w > limits.max_side || picture->h > limits.max_side ||
      int64_t{picture->w} * picture->h > limits.max_pixels) {
    why = std::to_string(picture->w) + "x" + std::to_string(picture->h) + " is too large";
    SDL_FreeSurface(picture);
    return nullptr;
  }
  return picture;
}

}  // namespace kvx
