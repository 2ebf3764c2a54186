#pragma once
// The generator's own pixel font: 5x7 glyphs for the character codes 33..126
// (lower-case letters with descenders reach two rows below the baseline), laid
// out in cells 6 pixels wide and 10 high (rows 0..1 above the capitals, the
// baseline under row 8). Used for the skin's bitmap font and for words drawn
// into the default images.
#include <cstdint>
#include <string>

#include "writers.h"

namespace assetgen {

constexpr int kFontAdvance = 6;  // cell width in font pixels (5 + 1 spacing)
constexpr int kFontHeight = 10;  // cell height in font pixels

// True when font pixel (col 0..4, row 0..9) of character c is set.
bool GlyphPixel(char c, int col, int row);

// Draws text at (x, y), the top-left corner of the first cell, each font pixel
// `scale` x `scale` pixels. Returns the width drawn (advance x length).
int DrawText(Picture& pic, int x, int y, const std::string& text, uint8_t r, uint8_t g, uint8_t b,
             int scale = 1);
// Like DrawText with a one-pixel outline in (orR, orG, orB) around every stroke.
int DrawTextOutlined(Picture& pic, int x, int y, const std::string& text, uint8_t r, uint8_t g, uint8_t b,
                     int scale, uint8_t orR, uint8_t orG, uint8_t orB);
int TextWidth(const std::string& text, int scale = 1);

}  // namespace assetgen

namespace assetgen::paint {

// Painting helpers shared by the default images.
struct Rgb {
  double r = 0, g = 0, b = 0;
};
Rgb Mix(Rgb a, Rgb b, double t);
Rgb Scale(Rgb c, double k);
// Opaque pixel: exact black is the transparent colour key, so colours darker
// than the near-black (8,8,12) are lifted to it.
void Put(Picture& p, int x, int y, Rgb c);
Rgb Get(const Picture& p, int x, int y);
// Mixes c over the pixel by alpha (0..1).
void Blend(Picture& p, int x, int y, Rgb c, double alpha);
// Adds light (for glows and explosions on black).
void Add(Picture& p, int x, int y, Rgb c, double amount);
void FillRect(Picture& p, int x, int y, int w, int h, Rgb c);
void VGradient(Picture& p, int x, int y, int w, int h, Rgb top, Rgb bottom);
void HGradient(Picture& p, int x, int y, int w, int h, Rgb left, Rgb right);
// A raised bevel: light top/left edges, dark bottom/right edges, `depth` pixels.
void Bevel(Picture& p, int x, int y, int w, int h, Rgb light, Rgb dark, int depth = 1);
void Frame(Picture& p, int x, int y, int w, int h, Rgb c);
// A glyph (rows of the capital height only) filled with a vertical gradient
// and outlined; each font pixel is scale x scale. Returns the advance.
int GradientText(Picture& p, int x, int y, const std::string& text, int scale, Rgb top, Rgb bottom,
                 Rgb outline);
int CapsWidth(const std::string& text, int scale);  // drawn width without the trailing gap

}  // namespace assetgen::paint
