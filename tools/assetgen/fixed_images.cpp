// The fixed song-select and result images. Their parts sit at the built-in
// source rectangles the screens copy from:
//
//   ssobj.bmp (black transparent)
//     C[i]  (0, 20i) 20x20     list icons: jukebox, song, course, new course
//     H[i]  (9i, 100) 9x18     digits 0..9 (the default digit font of DrawNumber)
//     E[i]  (20i, 120) 20x20   option icons: random lanes, accel, vexo, break on bad
//     F[i]  (100, 62+12i) 32x12 option tags: OFF HID SUD H+S STL SHF (lane cover 0..4, super shuffle)
//     G[i][j] (132+60j, 20i) 60x20  ranking place plates "1st".."10th", j=1 highlighted
//     K     (0, 140) 12x12     the level star
//     L     (0, 160) 120x1     separator line
//     M     (0, 400) 187x80    the help-line panel
//   resobj.bmp (no colour key)
//     A     (0, 0) 160x120     the scrolling background tile
//     B     (0, 160) 440x70    the result banner
//   ssnostg.bmp: 384x288, any 192x144 window of it (the random J rectangles)
//     makes a complete "no stage image" picture.
//   ssbg.bmp: the 640x480 song-select background.
#include <cmath>
#include <cstdio>
#include <string>

#include "assets.h"
#include "pixel_font.h"
#include "writers.h"

namespace assetgen {

namespace {

using paint::Rgb;

constexpr double kPi = 3.14159265358979323846;
const Rgb kWhite{255, 255, 255};

// Text with separate horizontal and vertical font-pixel sizes and a gradient.
void TallText(Picture& p, int x, int y, const std::string& text, int sx, int sy, Rgb top, Rgb bottom, Rgb outline,
              bool bold) {
  int h = 7 * sy;
  for (int pass = 0; pass < 2; ++pass)
    for (size_t i = 0; i < text.size(); ++i) {
      int cx = x + static_cast<int>(i) * (5 * sx + (bold ? 2 : 1));
      for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 5; ++col) {
          if (!GlyphPixel(text[i], col, row + 1)) continue;
          int w = sx + (bold ? 1 : 0);
          for (int yy = 0; yy < sy; ++yy)
            for (int xx = 0; xx < w; ++xx) {
              int px = cx + col * sx + xx, py = y + row * sy + yy;
              if (pass == 0) {
                for (int dy = -1; dy <= 1; ++dy)
                  for (int dx = -1; dx <= 1; ++dx) paint::Put(p, px + dx, py + dy, outline);
              } else {
                paint::Put(p, px, py, paint::Mix(top, bottom, static_cast<double>(row * sy + yy) / (h - 1)));
              }
            }
        }
    }
}

void Plate(Picture& p, int x, int y, int w, int h, Rgb face, bool strong) {
  paint::VGradient(p, x, y, w, h, paint::Mix(face, kWhite, strong ? 0.35 : 0.15), paint::Scale(face, 0.55));
  paint::Bevel(p, x, y, w, h, paint::Mix(face, kWhite, 0.7), paint::Scale(face, 0.25));
}

void Centered(Picture& p, int x, int y, int w, int h, const std::string& text, Rgb ink) {
  int tw = paint::CapsWidth(text, 1);
  DrawText(p, x + (w - tw) / 2, y + (h - 7) / 2 - 1, text, static_cast<uint8_t>(ink.r), static_cast<uint8_t>(ink.g),
           static_cast<uint8_t>(ink.b));
}

// ---- ssbg ---------------------------------------------------------------------

Picture SongSelectBackground() {
  Picture p(640, 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      double t = y / 479.0;
      Rgb c = paint::Mix(Rgb{18, 24, 64}, Rgb{6, 10, 28}, t);
      // Soft diagonal light bands.
      double band = 0.5 + 0.5 * std::sin((x + y * 0.6) * 2 * kPi / 180.0);
      c = paint::Mix(c, Rgb{40, 60, 130}, 0.18 * band * (1 - t));
      // A glow behind the list on the right.
      double gx = (x - 470) / 260.0, gy = (y - 200) / 240.0;
      c = paint::Mix(c, Rgb{70, 40, 140}, 0.35 * std::exp(-(gx * gx + gy * gy) * 2));
      // Fine grid.
      if (x % 32 == 0 || y % 32 == 0) c = paint::Mix(c, Rgb{80, 110, 200}, 0.10);
      paint::Put(p, x, y, c);
    }
  // Title bar and bottom bar.
  paint::VGradient(p, 0, 0, 640, 24, Rgb{50, 80, 170}, Rgb{16, 24, 60});
  paint::FillRect(p, 0, 24, 640, 1, Rgb{120, 170, 255});
  paint::VGradient(p, 0, 456, 640, 24, Rgb{16, 20, 48}, Rgb{30, 44, 100});
  paint::FillRect(p, 0, 455, 640, 1, Rgb{120, 170, 255});
  paint::GradientText(p, 8, 5, "KORVEX", 2, kWhite, Rgb{130, 190, 255}, Rgb{10, 14, 40});
  DrawText(p, 90, 9, "MUSIC SELECT", 170, 200, 255);
  // The information panel on the left.
  for (int y = 36; y < 444; ++y)
    for (int x = 8; x < 296; ++x) paint::Blend(p, x, y, Rgb{4, 6, 16}, 0.55);
  paint::Frame(p, 8, 36, 288, 408, Rgb{70, 100, 180});
  paint::FillRect(p, 9, 37, 286, 1, Rgb{140, 180, 255});
  return p;
}

// ---- ssobj --------------------------------------------------------------------

void Icon(Picture& p, int x, int y, int kind) {
  Plate(p, x, y, 20, 20, kind == 0 ? Rgb{200, 140, 40} : kind == 1 ? Rgb{60, 120, 220} : kind == 2 ? Rgb{150, 70, 200} : Rgb{40, 150, 90},
        false);
  Rgb ink{255, 255, 245};
  switch (kind) {
    case 0:  // jukebox: a box with a slot
      paint::FillRect(p, x + 4, y + 6, 12, 9, ink);
      paint::FillRect(p, x + 6, y + 8, 8, 2, Rgb{120, 80, 20});
      break;
    case 1:  // song: a note
      paint::FillRect(p, x + 11, y + 4, 2, 10, ink);
      paint::FillRect(p, x + 13, y + 4, 3, 2, ink);
      paint::FillRect(p, x + 7, y + 12, 5, 4, ink);
      break;
    case 2:  // course: stacked cards
      for (int i = 0; i < 3; ++i) paint::Frame(p, x + 4 + 2 * i, y + 4 + 3 * i, 10, 7, ink);
      break;
    default:  // new course: a plus
      paint::FillRect(p, x + 9, y + 4, 2, 12, ink);
      paint::FillRect(p, x + 4, y + 9, 12, 2, ink);
  }
}

void OptionIcon(Picture& p, int x, int y, int kind) {
  const Rgb face[4] = {{200, 60, 60}, {220, 150, 30}, {40, 160, 200}, {120, 120, 140}};
  Plate(p, x, y, 20, 20, face[kind], true);
  Rgb ink{255, 255, 240};
  switch (kind) {
    case 0:  // random lanes: a die
      paint::Frame(p, x + 4, y + 4, 12, 12, ink);
      for (int d : {0, 1, 2}) paint::FillRect(p, x + 6 + 3 * d, y + 6 + 3 * d, 2, 2, ink);
      break;
    case 1:  // accel: a double arrow down
      for (int i = 0; i < 5; ++i) {
        paint::FillRect(p, x + 5 + i, y + 4 + i, 10 - 2 * i, 1, ink);
        paint::FillRect(p, x + 5 + i, y + 10 + i, 10 - 2 * i, 1, ink);
      }
      break;
    case 2:  // vexo: a wave
      for (int xx = 3; xx < 17; ++xx) {
        int yy = static_cast<int>(std::lround(10 + 4 * std::sin((xx - 3) * 2 * kPi / 14)));
        paint::FillRect(p, x + xx, y + yy - 1, 1, 3, ink);
      }
      break;
    default:  // break on bad: a cross
      for (int i = 0; i < 10; ++i) {
        paint::FillRect(p, x + 5 + i, y + 5 + i, 2, 1, ink);
        paint::FillRect(p, x + 14 - i, y + 5 + i, 2, 1, ink);
      }
  }
}

Picture SongSelectParts() {
  Picture p(640, 480);
  for (int i = 0; i < 4; ++i) Icon(p, 0, 20 * i, i);
  // Digits 0..9 in 9x18 cells.
  for (int d = 0; d < 10; ++d)
    TallText(p, 9 * d + 1, 101, std::string(1, static_cast<char>('0' + d)), 1, 2, kWhite, Rgb{120, 200, 255},
             Rgb{10, 14, 40}, true);
  for (int i = 0; i < 4; ++i) OptionIcon(p, 20 * i, 120, i);
  const char* tags[6] = {"OFF", "HID", "SUD", "H+S", "STL", "SHF"};
  const Rgb tagFace[6] = {{70, 74, 90}, {40, 110, 200}, {200, 90, 40}, {150, 60, 180}, {60, 60, 60}, {200, 50, 120}};
  for (int i = 0; i < 6; ++i) {
    Plate(p, 100, 62 + 12 * i, 32, 12, tagFace[i], true);
    Centered(p, 100, 62 + 12 * i, 32, 12, tags[i], Rgb{255, 255, 250});
  }
  const char* places[10] = {"1st", "2nd", "3rd", "4th", "5th", "6th", "7th", "8th", "9th", "10th"};
  for (int i = 0; i < 10; ++i)
    for (int j = 0; j < 2; ++j) {
      Rgb face = i == 0 ? Rgb{200, 150, 30} : i == 1 ? Rgb{150, 160, 180} : i == 2 ? Rgb{170, 100, 50} : Rgb{50, 70, 130};
      if (j == 1) face = paint::Mix(face, kWhite, 0.35);
      Plate(p, 132 + 60 * j, 20 * i, 60, 20, face, j == 1);
      Centered(p, 132 + 60 * j, 20 * i, 60, 20, places[i], j == 1 ? Rgb{20, 20, 40} : Rgb{255, 255, 245});
    }
  // The level star.
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      double dx = x - 5.5, dy = y - 6.0;
      double a = std::atan2(dy, dx), r = std::hypot(dx, dy);
      double edge = 3.0 + 2.8 * std::pow(std::abs(std::cos(2.5 * a + kPi / 2 * 2.5)), 3);
      if (r <= edge) paint::Put(p, x, 140 + y, paint::Mix(Rgb{255, 250, 190}, Rgb{255, 170, 20}, y / 11.0));
    }
  for (int x = 0; x < 120; ++x)
    paint::Put(p, x, 160, paint::Scale(Rgb{140, 200, 255}, 0.3 + 0.7 * std::sin(kPi * (x + 0.5) / 120)));
  // The help-line panel.
  paint::VGradient(p, 0, 400, 187, 80, Rgb{28, 36, 80}, Rgb{10, 12, 30});
  paint::Bevel(p, 0, 400, 187, 80, Rgb{120, 150, 230}, Rgb{8, 8, 20}, 2);
  paint::HGradient(p, 3, 403, 181, 10, Rgb{60, 100, 210}, Rgb{16, 24, 60});
  DrawText(p, 6, 403, "HELP", 230, 240, 255);
  return p;
}

// ---- ssnostg ------------------------------------------------------------------

Picture NoStagePicture() {
  Picture p(384, 288);
  for (int y = 0; y < 288; ++y)
    for (int x = 0; x < 384; ++x) {
      double u = x / 383.0, v = y / 287.0;
      Rgb c = paint::Mix(Rgb{30, 50, 110}, Rgb{90, 40, 120}, 0.5 + 0.5 * std::sin((u + v) * kPi * 2));
      c = paint::Mix(c, Rgb{12, 16, 40}, v * 0.5);
      // Checkered tint so the picture reads as a placeholder surface.
      if (((x / 24) + (y / 24)) % 2 == 0) c = paint::Mix(c, kWhite, 0.06);
      paint::Put(p, x, y, c);
    }
  // Stars, placed by a fixed sequence.
  uint32_t seed = 12345;
  for (int i = 0; i < 90; ++i) {
    seed = seed * 1103515245u + 12345u;
    int x = static_cast<int>((seed >> 8) % 384);
    seed = seed * 1103515245u + 12345u;
    int y = static_cast<int>((seed >> 8) % 288);
    paint::Put(p, x, y, Rgb{230, 235, 255});
  }
  // The caption repeats on a grid smaller than 192x144, so every window shows it whole.
  for (int gy = 0; gy < 288; gy += 48)
    for (int gx = -48 + (gy / 48 % 2) * 48; gx < 384; gx += 96)
      paint::GradientText(p, gx + 4, gy + 10, "NO IMAGE", 2, kWhite, Rgb{170, 200, 255}, Rgb{16, 16, 48});
  return p;
}

// ---- resobj -------------------------------------------------------------------

Picture ResultParts() {
  Picture p(640, 480);
  paint::FillRect(p, 0, 0, 640, 480, Rgb{10, 12, 26});
  // The tile: a seamless pattern of rings on a dark gradient (160x120).
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) {
      Rgb c = paint::Mix(Rgb{20, 26, 60}, Rgb{34, 20, 60}, 0.5 + 0.5 * std::sin(2 * kPi * (x / 160.0 + y / 120.0)));
      for (int cy = 0; cy <= 120; cy += 60)
        for (int cx = 0; cx <= 160; cx += 80) {
          double r = std::hypot(x - cx, y - cy);
          c = paint::Mix(c, Rgb{80, 120, 230}, 0.5 * std::exp(-std::pow(r - 22, 2) / 4));
        }
      double r = std::hypot(x - 40, y - 30), r2 = std::hypot(x - 120, y - 90);
      c = paint::Mix(c, Rgb{180, 90, 220}, 0.35 * std::exp(-std::pow(std::min(r, r2) - 10, 2) / 3));
      paint::Put(p, x, y, c);
    }
  // The result banner (440x70).
  paint::VGradient(p, 0, 160, 440, 70, Rgb{60, 80, 170}, Rgb{14, 18, 50});
  paint::Bevel(p, 0, 160, 440, 70, Rgb{170, 200, 255}, Rgb{6, 6, 20}, 3);
  paint::FillRect(p, 6, 198, 428, 1, Rgb{120, 170, 255});
  paint::GradientText(p, 20, 170, "RESULT", 3, kWhite, Rgb{150, 200, 255}, Rgb{10, 14, 40});
  DrawText(p, 22, 206, "SCORE  EX-PTS  J-PTS  COMBO  CLASS", 190, 210, 255);
  return p;
}

bool Save(const Picture& p, const std::string& path) { return SavePictureBmp(p, path); }

}  // namespace

bool WriteFixedImages(const std::string& data) {
  bool ok = Save(SongSelectBackground(), data + "/ssbg.bmp");
  ok &= Save(SongSelectParts(), data + "/ssobj.bmp");
  ok &= Save(NoStagePicture(), data + "/ssnostg.bmp");
  ok &= Save(ResultParts(), data + "/resobj.bmp");
  if (!ok) std::fprintf(stderr, "assetgen: cannot write the fixed images in %s\n", data.c_str());
  return ok;
}

}  // namespace assetgen
