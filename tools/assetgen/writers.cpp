#include "writers.h"

#include <SDL.h>
#include <SDL_image.h>
#include <sndfile.h>

#include <cstdio>
#include <fstream>

namespace assetgen {

void Picture::Set(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
  p[0] = r, p[1] = g, p[2] = b;
}

void Picture::Fill(int x, int y, int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  for (int yy = y; yy < y + h; ++yy)
    for (int xx = x; xx < x + w; ++xx) Set(xx, yy, r, g, b);
}

static SDL_Surface* ToSurface(const Picture& p) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, p.width, p.height, 24, SDL_PIXELFORMAT_RGB24);
  if (!s) return nullptr;
  for (int y = 0; y < p.height; ++y)
    SDL_memcpy(static_cast<uint8_t*>(s->pixels) + y * s->pitch, &p.rgb[static_cast<size_t>(y) * p.width * 3],
               static_cast<size_t>(p.width) * 3);
  return s;
}

bool SavePictureBmp(const Picture& picture, const std::string& path) {
  SDL_Surface* s = ToSurface(picture);
  bool ok = s && SDL_SaveBMP(s, path.c_str()) == 0;
  if (!ok) std::fprintf(stderr, "assetgen: cannot write %s: %s\n", path.c_str(), SDL_GetError());
  SDL_FreeSurface(s);
  return ok;
}

bool SavePicturePng(const Picture& picture, const std::string& path) {
  SDL_Surface* s = ToSurface(picture);
  bool ok = s && IMG_SavePNG(s, path.c_str()) == 0;
  if (!ok) std::fprintf(stderr, "assetgen: cannot write %s: %s\n", path.c_str(), SDL_GetError());
  SDL_FreeSurface(s);
  return ok;
}

bool SaveRgbaPng(int width, int height, const std::vector<uint8_t>& rgba, const std::string& path) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGBA32);
  if (s)
    for (int y = 0; y < height; ++y)
      SDL_memcpy(static_cast<uint8_t*>(s->pixels) + y * s->pitch, &rgba[static_cast<size_t>(y) * width * 4],
                 static_cast<size_t>(width) * 4);
  bool ok = s && IMG_SavePNG(s, path.c_str()) == 0;
  if (!ok) std::fprintf(stderr, "assetgen: cannot write %s: %s\n", path.c_str(), SDL_GetError());
  SDL_FreeSurface(s);
  return ok;
}

static bool SaveSound(const Sound& sound, const std::string& path, int format) {
  SF_INFO info{};
  info.samplerate = sound.rate;
  info.channels = sound.channels;
  info.format = format;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) {
    std::fprintf(stderr, "assetgen: cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
    return false;
  }
  if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG) {
    double quality = 0.4;
    sf_command(f, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
  }
  sf_count_t frames = static_cast<sf_count_t>(sound.samples.size() / sound.channels);
  bool ok = sf_writef_float(f, sound.samples.data(), frames) == frames;
  sf_close(f);
  return ok;
}

bool SaveSoundWav(const Sound& sound, const std::string& path) {
  return SaveSound(sound, path, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
}

bool SaveSoundOgg(const Sound& sound, const std::string& path) {
  return SaveSound(sound, path, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
}

bool SaveText(const std::string& text, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

}  // namespace assetgen
