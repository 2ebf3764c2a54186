#include "demo_art.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "demo_synth.h"

namespace assetgen::demo {

namespace {

constexpr double kPi = 3.14159265358979323846;

// 5x7 glyphs, one string of 35 cells per character, row by row.
struct Glyph {
  char c;
  const char* rows;
};
const Glyph kGlyphs[] = {
    {'A', ".###.#...##...#######...##...##...#"}, {'B', "####.#...##...#####.#...##...#####."},
    {'C', ".###.#...##....#....#....#...#.###."}, {'D', "####.#...##...##...##...##...#####."},
    {'E', "######....#....####.#....#....#####"}, {'F', "######....#....####.#....#....#...."},
    {'G', ".###.#...##....#.####...##...#.####"}, {'H', "#...##...##...#######...##...##...#"},
    {'I', ".###...#....#....#....#....#...###."}, {'J', "..###...#....#....#....#.#..#..##.."},
    {'K', "#...##..#.#.#..##...#.#..#..#.#...#"}, {'L', "#....#....#....#....#....#....#####"},
    {'M', "#...###.###.#.##.#.##...##...##...#"}, {'N', "#...##...###..##.#.##..###...##...#"},
    {'O', ".###.#...##...##...##...##...#.###."}, {'P', "####.#...##...#####.#....#....#...."},
    {'Q', ".###.#...##...##...##.#.##..#..##.#"}, {'R', "####.#...##...#####.#.#..#..#.#...#"},
    {'S', ".#####....#.....###.....#....#####."}, {'T', "#####..#....#....#....#....#....#.."},
    {'U', "#...##...##...##...##...##...#.###."}, {'V', "#...##...##...##...##...#.#.#...#.."},
    {'W', "#...##...##...##.#.##.#.##.#.#.#.#."}, {'X', "#...##...#.#.#...#...#.#.#...##...#"},
    {'Y', "#...##...#.#.#...#....#....#....#.."}, {'Z', "#####....#...#...#...#...#....#####"},
    {'0', ".###.#...##..###.#.###..##...#.###."}, {'1', "..#...##....#....#....#....#...###."},
    {'2', ".###.#...#....#...#...#...#...#####"}, {'3', "#####...#...#.....#.....##...#.###."},
    {'4', "...#...##..#.#.#..#.#####...#....#."}, {'5', "######....####.....#....##...#.###."},
    {'6', "..##..#...#....####.#...##...#.###."}, {'7', "#####....#...#...#...#....#....#..."},
    {'8', ".###.#...##...#.###.#...##...#.###."}, {'9', ".###.#...##...#.####....#...#..##.."},
    {'!', "..#....#....#....#....#.........#.."}, {'?', ".###.#...#....#...#...#.........#.."},
    {'.', "..........................##...##.."}, {'-', "...............#####..............."},
    {'\'', "..#....#...#......................."}, {':', "......##...##.........##...##......"},
    {'/', "....#....#...#...#...#...#....#...."}, {'&', ".##..#..#.#.#...#...#.#.##..#..##.#"},
    {'+', ".......#....#..#####..#....#......."}, {'*', ".....#.#.#.###.#####.###.#.#.#....."},
};

const char* FindGlyph(char c) {
  c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const Glyph& g : kGlyphs)
    if (g.c == c) return g.rows;
  return nullptr;
}

struct Rgb {
  double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

uint8_t Byte(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

void Put(Picture& p, int x, int y, Rgb c) { p.Set(x, y, Byte(c.r), Byte(c.g), Byte(c.b)); }

Rgb Get(const Picture& p, int x, int y) {
  if (x < 0 || y < 0 || x >= p.width || y >= p.height) return {0, 0, 0};
  const uint8_t* q = &p.rgb[(static_cast<size_t>(y) * p.width + x) * 3];
  return {static_cast<double>(q[0]), static_cast<double>(q[1]), static_cast<double>(q[2])};
}

void Blend(Picture& p, int x, int y, Rgb c, double alpha) {
  if (x < 0 || y < 0 || x >= p.width || y >= p.height || alpha <= 0) return;
  Put(p, x, y, Mix(Get(p, x, y), c, alpha));
}

// Soft-edged disc.
void Disc(Picture& p, double cx, double cy, double radius, Rgb c, double alpha = 1.0) {
  int x0 = static_cast<int>(cx - radius - 1), x1 = static_cast<int>(cx + radius + 1);
  int y0 = static_cast<int>(cy - radius - 1), y1 = static_cast<int>(cy + radius + 1);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      Blend(p, x, y, c, alpha * std::clamp(radius - d + 0.5, 0.0, 1.0));
    }
}

void Ring(Picture& p, double cx, double cy, double radius, double width, Rgb c, double alpha = 1.0) {
  int x0 = static_cast<int>(cx - radius - width - 1), x1 = static_cast<int>(cx + radius + width + 1);
  int y0 = static_cast<int>(cy - radius - width - 1), y1 = static_cast<int>(cy + radius + width + 1);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      double d = std::abs(std::hypot(x + 0.5 - cx, y + 0.5 - cy) - radius);
      Blend(p, x, y, c, alpha * std::clamp(width / 2 - d + 0.5, 0.0, 1.0));
    }
}

// Thick line segment with round ends.
void Segment(Picture& p, double ax, double ay, double bx, double by, double width, Rgb c) {
  int x0 = static_cast<int>(std::min(ax, bx) - width - 1), x1 = static_cast<int>(std::max(ax, bx) + width + 1);
  int y0 = static_cast<int>(std::min(ay, by) - width - 1), y1 = static_cast<int>(std::max(ay, by) + width + 1);
  double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      double px = x + 0.5 - ax, py = y + 0.5 - ay;
      double t = len2 > 0 ? std::clamp((px * dx + py * dy) / len2, 0.0, 1.0) : 0.0;
      double d = std::hypot(px - t * dx, py - t * dy);
      Blend(p, x, y, c, std::clamp(width / 2 - d + 0.5, 0.0, 1.0));
    }
}

void VerticalGradient(Picture& p, Rgb top, Rgb bottom) {
  for (int y = 0; y < p.height; ++y) {
    Rgb c = Mix(top, bottom, static_cast<double>(y) / (p.height - 1));
    for (int x = 0; x < p.width; ++x) Put(p, x, y, c);
  }
}

void CenteredText(Picture& p, int y, const std::string& text, int scale, Rgb c, bool shadow = true) {
  int w = PixelTextWidth(text, scale);
  DrawPixelText(p, (p.width - w) / 2, y, text, scale, Byte(c.r), Byte(c.g), Byte(c.b), shadow);
}

// Nearest-neighbour enlargement, for the blocky pixel-art pictures.
Picture Enlarge(const Picture& small, int factor) {
  Picture big(small.width * factor, small.height * factor);
  for (int y = 0; y < big.height; ++y)
    for (int x = 0; x < big.width; ++x) Put(big, x, y, Get(small, x / factor, y / factor));
  return big;
}

// ---- Sunrise: a sky with turning sun rays over rolling hills ---------------

void SunriseScene(Picture& p, double turn, double pulse) {
  int w = p.width, h = p.height;
  double horizon = h * 0.66;
  double cx = w * 0.5, cy = horizon;
  Rgb top{58, 20, 96}, mid{235, 86, 120}, low{255, 176, 84};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double v = y / horizon;
      Rgb c = v < 0.6 ? Mix(top, mid, v / 0.6) : Mix(mid, low, (v - 0.6) / 0.4);
      double ang = std::atan2(y - cy, x - cx);
      double ray = std::sin(ang * 14 + turn);
      if (ray > 0.55 && y < horizon) c = Mix(c, Rgb{255, 236, 170}, 0.28 * (ray - 0.55) / 0.45);
      Put(p, x, y, c);
    }
  double sun = h * (0.16 + 0.01 * pulse);
  Disc(p, cx, cy, sun * 1.35, Rgb{255, 214, 120}, 0.35);
  Disc(p, cx, cy, sun, Rgb{255, 240, 150});
  // Stripes across the sun, a classic sunset look.
  for (int k = 0; k < 4; ++k) {
    int sy = static_cast<int>(cy - sun * 0.1 * (4 - k) * 1.6);
    for (int x = 0; x < w; ++x)
      for (int t = 0; t < 1 + k / 2; ++t)
        if (std::hypot(x - cx, sy + t - cy) < sun) Put(p, x, sy + t, mid);
  }
  // Hills in three layers.
  const Rgb hills[3] = {{150, 40, 110}, {92, 24, 90}, {40, 14, 60}};
  for (int layer = 0; layer < 3; ++layer)
    for (int x = 0; x < w; ++x) {
      double u = static_cast<double>(x) / w;
      double top_y = horizon + h * (0.02 + 0.09 * layer) -
                     h * 0.05 * std::sin(u * kPi * (2 + layer) + layer * 1.7) - h * 0.02 * std::sin(u * 17 + layer);
      for (int y = static_cast<int>(top_y); y < h; ++y) {
        Rgb c = hills[layer];
        if (layer == 2 && ((x / 6 + y / 6) % 2 == 0)) c = Mix(c, Rgb{0, 0, 0}, 0.15);
        Put(p, x, y, c);
      }
    }
}

void Confetti(Picture& p, uint32_t seed, int count) {
  Rng rng(seed);
  const Rgb colours[5] = {{255, 90, 120}, {255, 220, 80}, {90, 220, 255}, {150, 255, 140}, {255, 255, 255}};
  for (int i = 0; i < count; ++i) {
    int x = rng.Below(p.width), y = rng.Below(p.height);
    Rgb c = colours[rng.Below(5)];
    int len = 3 + rng.Below(4);
    bool wide = rng.Below(2) == 0;
    for (int t = 0; t < len; ++t)
      for (int k = 0; k < 2; ++k) Put(p, wide ? x + t : x + k, wide ? y + k : y + t, c);
  }
}

// ---- Clockwork tide: a clock under the waves -------------------------------

void OceanScene(Picture& p, double phase, double hour_angle, double minute_angle, bool broken) {
  int w = p.width, h = p.height;
  Rgb deep{8, 20, 60}, shallow{24, 120, 150};
  if (broken) deep = {60, 8, 20}, shallow = {150, 40, 40};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double v = static_cast<double>(y) / h;
      Rgb c = Mix(shallow, deep, v);
      double wave = std::sin(x * 0.05 + phase + y * 0.02) * 6 + std::sin(x * 0.013 - phase * 0.5) * 10;
      double band = std::fmod(y + wave + 1000.0, 32.0);
      if (band < 3) c = Mix(c, Rgb{140, 230, 230}, broken ? 0.15 : 0.35);
      // Light shafts from the surface.
      double shaft = std::sin(x * 0.03 + y * 0.012 + phase * 0.3);
      if (shaft > 0.7) c = Mix(c, Rgb{200, 255, 255}, 0.12 * (1 - v));
      Put(p, x, y, c);
    }
  double cx = w / 2.0, cy = h / 2.0, r = h * 0.3;
  Disc(p, cx, cy, r + h * 0.025, Rgb{200, 160, 70});
  Disc(p, cx, cy, r, broken ? Rgb{230, 200, 190} : Rgb{250, 240, 215});
  for (int k = 0; k < 12; ++k) {
    double a = k * kPi / 6;
    double inner = k % 3 == 0 ? 0.78 : 0.86;
    Segment(p, cx + std::sin(a) * r * inner, cy - std::cos(a) * r * inner, cx + std::sin(a) * r * 0.95,
            cy - std::cos(a) * r * 0.95, k % 3 == 0 ? h * 0.02 : h * 0.01, Rgb{60, 40, 30});
  }
  // Gear teeth around the rim.
  for (int k = 0; k < 24; ++k) {
    double a = k * kPi / 12 + phase * 0.1;
    Disc(p, cx + std::sin(a) * (r + h * 0.04), cy - std::cos(a) * (r + h * 0.04), h * 0.014, Rgb{170, 130, 50});
  }
  Segment(p, cx, cy, cx + std::sin(hour_angle) * r * 0.5, cy - std::cos(hour_angle) * r * 0.5, h * 0.03,
          Rgb{40, 30, 30});
  Segment(p, cx, cy, cx + std::sin(minute_angle) * r * 0.8, cy - std::cos(minute_angle) * r * 0.8, h * 0.018,
          Rgb{40, 30, 30});
  Disc(p, cx, cy, h * 0.02, Rgb{200, 60, 50});
  if (broken) {  // a crack across the glass
    double x = cx - r * 0.7, y = cy - r * 0.5;
    Rng rng(77);
    for (int k = 0; k < 9; ++k) {
      double nx = x + r * 0.17, ny = y + (rng.Uniform() - 0.3) * r * 0.3;
      Segment(p, x, y, nx, ny, h * 0.012, Rgb{30, 10, 10});
      x = nx, y = ny;
    }
  }
}

void Bubbles(Picture& p, uint32_t seed, double rise) {
  Rng rng(seed);
  for (int i = 0; i < 26; ++i) {
    double x = rng.Uniform() * p.width;
    double y = std::fmod(rng.Uniform() * p.height - rise + p.height * 4, static_cast<double>(p.height));
    double r = 3 + rng.Uniform() * 9;
    Ring(p, x, y, r, 1.6, Rgb{170, 240, 255});
    Disc(p, x - r * 0.35, y - r * 0.35, r * 0.22, Rgb{255, 255, 255});
  }
}

// ---- Pixel comet: blocky starfield and a comet ------------------------------

void SpaceScene(Picture& p, int frame, int frames, bool over) {
  int w = p.width, h = p.height;  // the small (unenlarged) picture
  Rgb top = over ? Rgb{40, 0, 10} : Rgb{4, 4, 24}, bottom = over ? Rgb{90, 10, 20} : Rgb{30, 10, 60};
  VerticalGradient(p, top, bottom);
  for (int layer = 0; layer < 3; ++layer) {
    Rng rng(101 + layer);
    int shift = frame * (layer + 1);
    for (int i = 0; i < 40 - layer * 10; ++i) {
      int x = (rng.Below(w) - shift + w * 8) % w, y = rng.Below(h);
      Rgb c = layer == 2 ? Rgb{255, 255, 255} : layer == 1 ? Rgb{170, 190, 255} : Rgb{90, 100, 160};
      Put(p, x, y, c);
      if (layer == 2 && (i + frame) % 3 == 0) {
        Put(p, x - 1, y, Mix(c, top, 0.5));
        Put(p, x + 1, y, Mix(c, top, 0.5));
        Put(p, x, y - 1, Mix(c, top, 0.5));
        Put(p, x, y + 1, Mix(c, top, 0.5));
      }
    }
  }
  // Ringed planet.
  double px = w * 0.72, py = h * 0.74, pr = w * 0.16;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double d = std::hypot(x - px, y - py);
      if (d < pr) {
        double band = std::sin((y - py) * 0.8 + (x - px) * 0.2);
        Rgb c = band > 0.3 ? Rgb{240, 140, 70} : band > -0.4 ? Rgb{200, 90, 60} : Rgb{150, 60, 70};
        if (x - px + y - py > pr * 0.6) c = Mix(c, Rgb{0, 0, 0}, 0.35);
        Put(p, x, y, over ? Rgb{c.r * 0.5 + 60, c.g * 0.3, c.b * 0.3} : c);
      }
      double ex = (x - px) / (pr * 1.8), ey = (y - py - (x - px) * 0.25) / (pr * 0.45);
      double e = ex * ex + ey * ey;
      if (e > 0.78 && e < 1.0 && !(d < pr && y < py + (x - px) * 0.25)) Put(p, x, y, Rgb{250, 220, 150});
    }
  if (over) return;
  // The comet crosses diagonally over the frames, trailing its tail.
  double t = static_cast<double>(frame) / frames;
  double cx = w * (0.15 + 0.5 * t), cy = h * (0.2 + 0.18 * t);
  for (int k = 14; k >= 0; --k) {
    double tx = cx - k * 1.6, ty = cy - k * 0.6;
    Rgb c = k < 3 ? Rgb{255, 255, 220} : k < 7 ? Rgb{120, 230, 255} : Rgb{90, 90, 230};
    int s = k < 3 ? 2 : 1;
    for (int dy = -s; dy <= s; ++dy)
      for (int dx = -s; dx <= s; ++dx)
        if (std::abs(dx) + std::abs(dy) <= s) Put(p, static_cast<int>(tx) + dx, static_cast<int>(ty) + dy, c);
  }
}

}  // namespace

int PixelTextWidth(const std::string& text, int scale) {
  return text.empty() ? 0 : static_cast<int>(text.size()) * 6 * scale - scale;
}

int DrawPixelText(Picture& pic, int x, int y, const std::string& text, int scale, uint8_t r, uint8_t g,
                  uint8_t b, bool shadow) {
  int pen = x;
  for (char ch : text) {
    const char* rows = FindGlyph(ch);
    if (rows) {
      for (int pass = shadow ? 0 : 1; pass < 2; ++pass) {
        int off = pass == 0 ? std::max(1, scale / 2) : 0;
        for (int cy = 0; cy < 7; ++cy)
          for (int cx = 0; cx < 5; ++cx) {
            if (rows[cy * 5 + cx] != '#') continue;
            if (pass == 0)
              pic.Fill(pen + cx * scale + off, y + cy * scale + off, scale, scale, 16, 8, 24);
            else
              pic.Fill(pen + cx * scale, y + cy * scale, scale, scale, r, g, b);
          }
      }
    }
    pen += 6 * scale;
  }
  return pen - x;
}

Picture BlankLayer() { return Picture(8, 8); }

SongArt PaintSunrise(const std::string& title, const std::string& artist) {
  SongArt art;
  for (int f = 0; f < 4; ++f) {
    Picture p(256, 256);
    SunriseScene(p, f * kPi / 14 / 2, f % 2);
    art.base.push_back(std::move(p));
  }
  for (int f = 0; f < 2; ++f) {
    Picture p(256, 256);
    Confetti(p, 500 + f, 140);
    CenteredText(p, 24 + f * 4, "SUNRISE", 5, {255, 250, 210});
    CenteredText(p, 70 + f * 4, "PARADE!", 5, {255, 140, 170});
    art.layer.push_back(std::move(p));
  }
  art.poor = Picture(256, 256);
  VerticalGradient(art.poor, {40, 40, 56}, {90, 90, 110});
  Rng rng(9);
  for (int i = 0; i < 160; ++i) {
    int x = rng.Below(256), y = rng.Below(256);
    Segment(art.poor, x, y, x - 4, y + 14, 1.5, {150, 170, 220});
  }
  for (int k = 0; k < 6; ++k) Disc(art.poor, 60 + k * 28, 70 + (k % 2) * 10, 34, {70, 70, 86});
  CenteredText(art.poor, 150, "MISS...", 5, {200, 210, 255});
  art.stage = Picture(640, 480);
  SunriseScene(art.stage, 0.3, 0);
  Confetti(art.stage, 42, 260);
  CenteredText(art.stage, 60, title, 7, {255, 250, 220});
  CenteredText(art.stage, 140, artist, 3, {255, 200, 220});
  CenteredText(art.stage, 440, "KORVEX DEMO SONG", 2, {255, 230, 200});
  return art;
}

SongArt PaintClockwork(const std::string& title, const std::string& artist) {
  SongArt art;
  for (int f = 0; f < 4; ++f) {
    Picture p(256, 256);
    OceanScene(p, f * kPi / 2, f * kPi / 2 / 12 + 1.0, f * kPi / 2, false);
    art.base.push_back(std::move(p));
  }
  for (int f = 0; f < 2; ++f) {
    Picture p(256, 256);
    Bubbles(p, 300, f * 40.0);
    Bubbles(p, 301, f * 64.0 + 20);
    art.layer.push_back(std::move(p));
  }
  art.poor = Picture(256, 256);
  OceanScene(art.poor, 1.0, 2.2, 5.1, true);
  CenteredText(art.poor, 206, "TICK...", 5, {255, 200, 190});
  art.stage = Picture(640, 480);
  OceanScene(art.stage, 0.7, 1.1, 4.0, false);
  Bubbles(art.stage, 7, 0);
  CenteredText(art.stage, 30, title, 7, {255, 236, 180});
  CenteredText(art.stage, 400, artist, 3, {200, 250, 255});
  CenteredText(art.stage, 446, "KORVEX DEMO SONG", 2, {220, 240, 255});
  return art;
}

SongArt PaintComet(const std::string& title, const std::string& artist) {
  SongArt art;
  for (int f = 0; f < 4; ++f) {
    Picture small(64, 64);
    SpaceScene(small, f, 4, false);
    art.base.push_back(Enlarge(small, 4));
  }
  for (int f = 0; f < 2; ++f) {
    Picture p(256, 256);
    const char* words[2] = {"GO!", "GO!!"};
    CenteredText(p, 18, words[f], 8, {255, 240, 90});
    // Heart-shaped pixel sparks in the corners.
    for (int k = 0; k < 4; ++k) {
      int x = (k % 2) ? 210 : 22, y = (k / 2) ? 212 : 110 + f * 6;
      DrawPixelText(p, x, y, "*", 4, 255, 120 + 60 * f, 200, false);
    }
    art.layer.push_back(std::move(p));
  }
  Picture small(64, 64);
  SpaceScene(small, 0, 4, true);
  art.poor = Enlarge(small, 4);
  CenteredText(art.poor, 96, "OOPS!", 7, {255, 90, 90});
  Picture stage_small(160, 120);
  SpaceScene(stage_small, 1, 4, false);
  art.stage = Enlarge(stage_small, 4);
  CenteredText(art.stage, 56, title, 8, {255, 240, 120});
  CenteredText(art.stage, 136, artist, 3, {160, 230, 255});
  CenteredText(art.stage, 446, "KORVEX DEMO SONG", 2, {200, 200, 255});
  return art;
}

}  // namespace assetgen::demo
