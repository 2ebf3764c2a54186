#pragma once
// File writers shared by the generator: pictures and sounds.
#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

// An RGB picture, 8 bits per channel, row-major.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  Picture() = default;
  Picture(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, 0) {}
  void Set(int x, int y, uint8_t r, uint8_t g, uint8_t b);
  void Fill(int x, int y, int w, int h, uint8_t r, uint8_t g, uint8_t b);
};

bool SavePictureBmp(const Picture& picture, const std::string& path);  // 24-bit BMP
bool SavePicturePng(const Picture& picture, const std::string& path);
// A picture with transparency: 8-bit red, green, blue and alpha, row-major.
bool SaveRgbaPng(int width, int height, const std::vector<uint8_t>& rgba, const std::string& path);

// Mono or stereo float samples in -1..1, interleaved.
struct Sound {
  int rate = 44100;
  int channels = 1;
  std::vector<float> samples;
};

bool SaveSoundWav(const Sound& sound, const std::string& path);  // 16-bit PCM
bool SaveSoundOgg(const Sound& sound, const std::string& path);  // Vorbis

// Writes text (UTF-8) to a file.
bool SaveText(const std::string& text, const std::string& path);

}  // namespace assetgen
