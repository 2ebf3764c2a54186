#pragma once
// Pictures for the demo songs: animation frames, layers, the poor image and
// the stage picture of each song, drawn procedurally.
#include <string>
#include <vector>

#include "writers.h"

namespace assetgen::demo {

struct SongArt {
  std::vector<Picture> base;   // 256x256 animation frames for the base layer
  std::vector<Picture> layer;  // 256x256 frames for the upper layer (black = transparent)
  Picture poor;                // 256x256, shown on a miss
  Picture stage;               // 640x480 stage picture
};

// Draws `text` with the demo pixel font (5x7 cells, upper case, digits and a
// few signs) at (x, y), each font pixel `scale` pixels wide, with a one-pixel
// dark shadow when `shadow` is set. Returns the drawn width.
int DrawPixelText(Picture& pic, int x, int y, const std::string& text, int scale, uint8_t r, uint8_t g,
                  uint8_t b, bool shadow);
int PixelTextWidth(const std::string& text, int scale);

SongArt PaintSunrise(const std::string& title, const std::string& artist);
SongArt PaintClockwork(const std::string& title, const std::string& artist);
SongArt PaintComet(const std::string& title, const std::string& artist);

// A tiny all-black picture: as a layer it shows nothing (black is transparent).
Picture BlankLayer();

}  // namespace assetgen::demo
