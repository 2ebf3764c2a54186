#include "pixel_font.h"

#include <cstring>

namespace assetgen {

namespace {

// 5x7 glyphs, 35 cells row by row ('#' = set). Letters with descenders are
// placed two rows lower than the others.
struct Glyph {
  char c;
  const char* rows;
};
const Glyph kGlyphs[] = {
    {'!', "..#....#....#....#....#.........#.."},
    {'"', ".#.#..#.#.........................."},
    {'#', ".#.#..#.#.#####.#.#.#####.#.#..#.#."},
    {'$', "..#...#####.#...###...#.#####...#.."},
    {'%', "##...##..#...#...#...#...#..##...##"},
    {'&', ".##..#..#.#.#...#...#.#.##..#..##.#"},
    {'\'', "..#....#...#......................."},
    {'(', "...#...#...#....#....#.....#.....#."},
    {')', ".#.....#.....#....#....#...#...#..."},
    {'*', ".......#..#.#.#.###.#.#.#..#......."},
    {'+', ".......#....#..#####..#....#......."},
    {',', ".....................##....#...#..."},
    {'-', "...............#####..............."},
    {'.', "..........................##...##.."},
    {'/', ".........#...#...#...#...#........."},
    {'0', ".###.#...##..###.#.###..##...#.###."},
    {'1', "..#...##....#....#....#....#...###."},
    {'2', ".###.#...#....#...#...#...#...#####"},
    {'3', "#####...#...#.....#.....##...#.###."},
    {'4', "...#...##..#.#.#..#.#####...#....#."},
    {'5', "######....####.....#....##...#.###."},
    {'6', "..##..#...#....####.#...##...#.###."},
    {'7', "#####....#...#...#...#....#....#..."},
    {'8', ".###.#...##...#.###.#...##...#.###."},
    {'9', ".###.#...##...#.####....#...#..##.."},
    {':', "......##...##........##...##......."},
    {';', "......##...##........##....#...#..."},
    {'<', "...#...#...#...#.....#.....#.....#."},
    {'=', "..........#####.....#####.........."},
    {'>', ".#.....#.....#.....#...#...#...#..."},
    {'?', ".###.#...#....#...#...#.........#.."},
    {'@', ".###.#...#....#.##.##.#.##.#.#.###."},
    {'A', ".###.#...##...#######...##...##...#"},
    {'B', "####.#...##...#####.#...##...#####."},
    {'C', ".###.#...##....#....#....#...#.###."},
    {'D', "###..#..#.#...##...##...##..#.###.."},
    {'E', "######....#....####.#....#....#####"},
    {'F', "######....#....####.#....#....#...."},
    {'G', ".###.#...##....#.####...##...#.####"},
    {'H', "#...##...##...#######...##...##...#"},
    {'I', ".###...#....#....#....#....#...###."},
    {'J', "..###...#....#....#....#.#..#..##.."},
    {'K', "#...##..#.#.#..##...#.#..#..#.#...#"},
    {'L', "#....#....#....#....#....#....#####"},
    {'M', "#...###.###.#.##.#.##...##...##...#"},
    {'N', "#...##...###..##.#.##..###...##...#"},
    {'O', ".###.#...##...##...##...##...#.###."},
    {'P', "####.#...##...#####.#....#....#...."},
    {'Q', ".###.#...##...##...##.#.##..#..##.#"},
    {'R', "####.#...##...#####.#.#..#..#.#...#"},
    {'S', ".#####....#.....###.....#....#####."},
    {'T', "#####..#....#....#....#....#....#.."},
    {'U', "#...##...##...##...##...##...#.###."},
    {'V', "#...##...##...##...##...#.#.#...#.."},
    {'W', "#...##...##...##.#.##.#.##.#.#.#.#."},
    {'X', "#...##...#.#.#...#...#.#.#...##...#"},
    {'Y', "#...##...#.#.#...#....#....#....#.."},
    {'Z', "#####....#...#...#...#...#....#####"},
    {'[', ".###..#....#....#....#....#....###."},
    {'\\', ".....#.....#.....#.....#.....#....."},
    {']', ".###....#....#....#....#....#..###."},
    {'^', "..#...#.#.#...#...................."},
    {'_', "..............................#####"},
    {'`', ".#.....#.....#....................."},
    {'a', "...........###.....#.#####...#.####"},
    {'b', "#....#....#.##.##..##...##...#####."},
    {'c', "...........###.#....#....#...#.###."},
    {'d', "....#....#.##.##..###...##...#.####"},
    {'e', "...........###.#...#######.....###."},
    {'f', "..##..#..#.#...###...#....#....#..."},
    {'g', ".#####...##...#.####....##...#.###."},
    {'h', "#....#....#.##.##..##...##...##...#"},
    {'i', "..#........##....#....#....#...###."},
    {'j', "...#........##....#....#.#..#..##.."},
    {'k', "#....#....#..#.#.#..##...#.#..#..#."},
    {'l', ".##....#....#....#....#....#...###."},
    {'m', "..........##.#.#.#.##.#.##.#.##.#.#"},
    {'n', "..........#.##.##..##...##...##...#"},
    {'o', "...........###.#...##...##...#.###."},
    {'p', "####.#...##...#####.#....#....#...."},
    {'q', ".#####...##...#.####....#....#....#"},
    {'r', "..........#.##.##..##....#....#...."},
    {'s', "...........###.#.....###.....#####."},
    {'t', ".#....#...###...#....#....#..#..##."},
    {'u', "..........#...##...##...##..##.##.#"},
    {'v', "..........#...##...##...#.#.#...#.."},
    {'w', "..........#...##...##.#.##.#.#.#.#."},
    {'x', "..........#...#.#.#...#...#.#.#...#"},
    {'y', "#...##...##...#.####....##...#.###."},
    {'z', "..........#####...#...#...#...#####"},
    {'{', "...#...#....#...#.....#....#.....#."},
    {'|', "..#....#....#....#....#....#....#.."},
    {'}', ".#.....#....#.....#...#....#...#..."},
    {'~', "...........#...#.#.#...#..........."},
};

const char* FindGlyph(char c) {
  for (const Glyph& g : kGlyphs)
    if (g.c == c) return g.rows;
  return nullptr;
}

bool Descends(char c) { return c == 'g' || c == 'p' || c == 'q' || c == 'y'; }

}  // namespace

bool GlyphPixel(char c, int col, int row) {
  const char* rows = FindGlyph(c);
  if (!rows || col < 0 || col > 4) return false;
  int r = row - (Descends(c) ? 3 : 1);
  if (r < 0 || r > 6) return false;
  return rows[r * 5 + col] == '#';
}

int TextWidth(const std::string& text, int scale) {
  return static_cast<int>(text.size()) * kFontAdvance * scale;
}

int DrawText(Picture& pic, int x, int y, const std::string& text, uint8_t r, uint8_t g, uint8_t b, int scale) {
  for (size_t i = 0; i < text.size(); ++i) {
    int cx = x + static_cast<int>(i) * kFontAdvance * scale;
    for (int row = 0; row < kFontHeight; ++row)
      for (int col = 0; col < 5; ++col)
        if (GlyphPixel(text[i], col, row)) pic.Fill(cx + col * scale, y + row * scale, scale, scale, r, g, b);
  }
  return TextWidth(text, scale);
}

int DrawTextOutlined(Picture& pic, int x, int y, const std::string& text, uint8_t r, uint8_t g, uint8_t b,
                     int scale, uint8_t orR, uint8_t orG, uint8_t orB) {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (dx || dy) DrawText(pic, x + dx, y + dy, text, orR, orG, orB, scale);
  return DrawText(pic, x, y, text, r, g, b, scale);
}

}  // namespace assetgen

#include <algorithm>
#include <cmath>

namespace assetgen::paint {

Rgb Mix(Rgb a, Rgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Scale(Rgb c, double k) { return {c.r * k, c.g * k, c.b * k}; }

static uint8_t Byte(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

void Put(Picture& p, int x, int y, Rgb c) {
  uint8_t r = Byte(c.r), g = Byte(c.g), b = Byte(c.b);
  if (r < 8 && g < 8 && b < 12) r = 8, g = 8, b = 12;
  p.Set(x, y, r, g, b);
}

Rgb Get(const Picture& p, int x, int y) {
  if (x < 0 || y < 0 || x >= p.width || y >= p.height) return {};
  const uint8_t* q = &p.rgb[(static_cast<size_t>(y) * p.width + x) * 3];
  return {static_cast<double>(q[0]), static_cast<double>(q[1]), static_cast<double>(q[2])};
}

void Blend(Picture& p, int x, int y, Rgb c, double alpha) {
  if (x < 0 || y < 0 || x >= p.width || y >= p.height || alpha <= 0) return;
  Put(p, x, y, Mix(Get(p, x, y), c, alpha));
}

void Add(Picture& p, int x, int y, Rgb c, double amount) {
  if (x < 0 || y < 0 || x >= p.width || y >= p.height || amount <= 0) return;
  Rgb o = Get(p, x, y);
  Rgb n{std::min(255.0, o.r + c.r * amount), std::min(255.0, o.g + c.g * amount),
        std::min(255.0, o.b + c.b * amount)};
  // Faint light stays transparent rather than turning into an opaque dark fringe.
  if (n.r < 10 && n.g < 10 && n.b < 10) return;
  Put(p, x, y, n);
}

void FillRect(Picture& p, int x, int y, int w, int h, Rgb c) {
  for (int yy = y; yy < y + h; ++yy)
    for (int xx = x; xx < x + w; ++xx) Put(p, xx, yy, c);
}

void VGradient(Picture& p, int x, int y, int w, int h, Rgb top, Rgb bottom) {
  for (int yy = 0; yy < h; ++yy) {
    Rgb c = Mix(top, bottom, h > 1 ? static_cast<double>(yy) / (h - 1) : 0);
    for (int xx = 0; xx < w; ++xx) Put(p, x + xx, y + yy, c);
  }
}

void HGradient(Picture& p, int x, int y, int w, int h, Rgb left, Rgb right) {
  for (int xx = 0; xx < w; ++xx) {
    Rgb c = Mix(left, right, w > 1 ? static_cast<double>(xx) / (w - 1) : 0);
    for (int yy = 0; yy < h; ++yy) Put(p, x + xx, y + yy, c);
  }
}

void Bevel(Picture& p, int x, int y, int w, int h, Rgb light, Rgb dark, int depth) {
  for (int d = 0; d < depth; ++d) {
    double a = 1.0 - 0.35 * d;
    for (int xx = x + d; xx < x + w - d; ++xx) {
      Blend(p, xx, y + d, light, a);
      Blend(p, xx, y + h - 1 - d, dark, a);
    }
    for (int yy = y + d; yy < y + h - d; ++yy) {
      Blend(p, x + d, yy, light, a);
      Blend(p, x + w - 1 - d, yy, dark, a);
    }
  }
}

void Frame(Picture& p, int x, int y, int w, int h, Rgb c) {
  for (int xx = x; xx < x + w; ++xx) Put(p, xx, y, c), Put(p, xx, y + h - 1, c);
  for (int yy = y; yy < y + h; ++yy) Put(p, x, yy, c), Put(p, x + w - 1, yy, c);
}

int CapsWidth(const std::string& text, int scale) {
  return text.empty() ? 0 : (static_cast<int>(text.size()) * kFontAdvance - 1) * scale;
}

int GradientText(Picture& p, int x, int y, const std::string& text, int scale, Rgb top, Rgb bottom, Rgb outline) {
  const int h = 7 * scale;
  auto on = [&](size_t i, int px, int py) {  // font pixel of a caps-height row
    return GlyphPixel(text[i], px, py + 1);
  };
  // Outline first: every pixel next to a stroke.
  for (size_t i = 0; i < text.size(); ++i) {
    int cx = x + static_cast<int>(i) * kFontAdvance * scale;
    for (int row = 0; row < 7; ++row)
      for (int col = 0; col < 5; ++col)
        if (on(i, col, row))
          for (int yy = -1; yy <= scale; ++yy)
            for (int xx = -1; xx <= scale; ++xx) Put(p, cx + col * scale + xx, y + row * scale + yy, outline);
  }
  for (size_t i = 0; i < text.size(); ++i) {
    int cx = x + static_cast<int>(i) * kFontAdvance * scale;
    for (int row = 0; row < 7; ++row)
      for (int col = 0; col < 5; ++col)
        if (on(i, col, row))
          for (int yy = 0; yy < scale; ++yy) {
            int py = row * scale + yy;
            Rgb c = Mix(top, bottom, h > 1 ? static_cast<double>(py) / (h - 1) : 0);
            // A light first line on each stroke row gives the letters some depth.
            if (yy == 0 && scale > 2) c = Mix(c, Rgb{255, 255, 255}, 0.35);
            for (int xx = 0; xx < scale; ++xx) Put(p, cx + col * scale + xx, y + py, c);
          }
  }
  return static_cast<int>(text.size()) * kFontAdvance * scale;
}

}  // namespace assetgen::paint
