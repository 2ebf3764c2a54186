// The default skin: kvx_scr.brd and its image kvx_scr.png. Every rectangle
// written to the skin file comes from the same constants the painter uses, so
// the two cannot disagree.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "assets.h"
#include "pixel_font.h"
#include "writers.h"

namespace assetgen {

namespace {

using paint::Rgb;

constexpr double kPi = 3.14159265358979323846;
constexpr int kImageW = 1024, kImageH = 560;

struct Box {
  int x, y, w, h;
};

// Lane kinds: 0 white key, 1 blue key, 2 scratch. Object numbers: note 1 + kind,
// beam 4 + kind, pressed key 11 + kind, judgement-line piece 21 + kind.
constexpr int kLaneWidth[3] = {26, 20, 36};
constexpr Box kNote[3] = {{0, 0, 26, 8}, {28, 0, 20, 8}, {50, 0, 36, 8}};
constexpr Box kJudgeLine[3] = {{0, 10, 26, 10}, {28, 10, 20, 10}, {50, 10, 36, 10}};
constexpr Box kPressed[3] = {{0, 22, 26, 40}, {28, 22, 20, 40}, {50, 22, 36, 40}};
constexpr Box kBeam[3] = {{0, 190, 26, 200}, {28, 190, 20, 200}, {50, 190, 36, 200}};
constexpr int kGraphX = 90, kGraphY = 0, kJGraphX = 98, kJGraphY = 0;
constexpr Box kMarker{104, 0, 8, 8};
constexpr Box kBarLine{0, 64, 207, 1};
constexpr Box kPulse{0, 66, 207, 4};
constexpr Box kPerNum{0, 72, 8, 10};   // one cell of 10
constexpr Box kPtsNum{0, 84, 8, 12};   // one cell of 11
constexpr Box kClassLabel{116, 0, 40, 11};
constexpr Box kMaxCombo{116, 13, 60, 11};
constexpr Box kNoMiss{116, 26, 48, 11};
constexpr Box kComboGraph{116, 40, 100, 4};
constexpr Box kBgLine{0, 104, 256, 2};
constexpr int kMiniTop = 117;                // fixed place of the 3x5 font
constexpr Box kSysFont{8, 140, 8, 12};       // origin of code 33, cell size
constexpr Box kBasePanel[2] = {{256, 0, 224, 400}, {480, 0, 224, 400}};
constexpr Box kKeyPanel[2] = {{256, 400, 224, 80}, {480, 400, 224, 80}};
constexpr Box kFGreat{704, 0, 112, 24};
constexpr int kFGreatFrames = 4;
constexpr Box kJudge[4] = {{704, 168, 112, 24}, {704, 144, 112, 24}, {704, 120, 112, 24}, {704, 96, 112, 24}};
constexpr Box kNum{816, 0, 16, 24};
constexpr Box kGaugeBg{816, 30, 160, 12}, kGauge{816, 44, 160, 12};
constexpr Box kExGaugeBg{816, 58, 160, 12}, kExGauge{816, 72, 160, 12};
constexpr Box kNetBase{816, 90, 192, 96};
constexpr Box kClassStr{704, 200, 40, 32};
constexpr int kLenGraphX = 1016, kLenGraphY = 0;
// Long notes and mines, per lane kind: the body (stretched from a long note's
// start to its end, so every row is the same), the body while held, the end
// cap, the mine.
constexpr Box kLongBody[3] = {{96, 200, 26, 32}, {124, 200, 20, 32}, {146, 200, 36, 32}};
constexpr Box kLongActive[3] = {{96, 236, 26, 32}, {124, 236, 20, 32}, {146, 236, 36, 32}};
constexpr Box kLongEnd[3] = {{96, 272, 26, 8}, {124, 272, 20, 8}, {146, 272, 36, 8}};
constexpr Box kMine[3] = {{96, 284, 26, 10}, {124, 284, 20, 10}, {146, 284, 36, 10}};
constexpr Box kBomb{0, 480, 72, 56};
constexpr int kBombFrames = 8;

// Screen layout.
constexpr int kJudgeY = 400;
constexpr int kKeyHoleH = 22;  // key holes of the key panel, from its row 14
constexpr int kPanelX[2] = {0, 416};
constexpr int kBgaX = 304, kBgaY = 24;

struct Lane {
  int channel;
  int kind;
  int x;  // screen x
};

// Side 1: scratch on the left, then keys 1..7; side 2 mirrored.
std::vector<Lane> SideLanes(int side) {
  static const int order1[8] = {16, 11, 12, 13, 14, 15, 18, 19};
  static const int order2[8] = {21, 22, 23, 24, 25, 28, 29, 26};
  const int* order = side == 0 ? order1 : order2;
  std::vector<Lane> lanes;
  int x = kPanelX[side] + 9;
  for (int i = 0; i < 8; ++i) {
    int ch = order[i];
    int key = ch % 10;
    int kind = key == 6 ? 2 : (key == 2 || key == 4 || key == 8) ? 1 : 0;
    lanes.push_back({ch, kind, x});
    x += kLaneWidth[kind] + 1;
  }
  return lanes;
}

const Rgb kNearBlack{8, 8, 12};
const Rgb kWhite{255, 255, 255};

// ---- Small pieces ---------------------------------------------------------

void PaintNotes(Picture& p) {
  const Rgb body[3] = {{232, 236, 246}, {72, 150, 255}, {244, 64, 72}};
  for (int k = 0; k < 3; ++k) {
    Box b = kNote[k];
    for (int y = 0; y < b.h; ++y) {
      double t = static_cast<double>(y) / (b.h - 1);
      Rgb c = paint::Mix(paint::Mix(body[k], kWhite, 0.55), paint::Scale(body[k], 0.6), t);
      for (int x = 0; x < b.w; ++x) paint::Put(p, b.x + x, b.y + y, c);
    }
    paint::Frame(p, b.x, b.y, b.w, b.h, paint::Scale(body[k], 0.35));
    for (int x = 2; x < b.w - 2; ++x) paint::Blend(p, b.x + x, b.y + 1, kWhite, 0.8);
  }
}

// The colours of the three lane kinds (white key, blue key, scratch).
const Rgb kLaneTone[3] = {{232, 236, 246}, {72, 150, 255}, {244, 64, 72}};

void PaintLongNotes(Picture& p) {
  for (int k = 0; k < 3; ++k) {
    const Rgb tone = kLaneTone[k];
    for (int held = 0; held < 2; ++held) {
      const Box b = held ? kLongActive[k] : kLongBody[k];
      for (int x = 0; x < b.w; ++x) {
        const int edge = std::min(x, b.w - 1 - x);  // 0 at the outer columns
        Rgb c = edge < 2 ? paint::Mix(tone, kWhite, held ? 0.6 : 0.2)
                         : paint::Scale(tone, (held ? 0.7 : 0.38) + 0.08 * std::cos(kPi * (x + 0.5) / b.w));
        if (edge == 0) c = paint::Scale(c, 0.7);
        for (int y = 0; y < b.h; ++y) paint::Put(p, b.x + x, b.y + y, c);
      }
    }
    // The end cap: a note with a bright rim and a dark groove across it.
    const Box e = kLongEnd[k];
    paint::VGradient(p, e.x, e.y, e.w, e.h, paint::Mix(tone, kWhite, 0.5), paint::Scale(tone, 0.55));
    paint::FillRect(p, e.x + 2, e.y + 3, e.w - 4, 2, paint::Scale(tone, 0.3));
    paint::Frame(p, e.x, e.y, e.w, e.h, paint::Mix(tone, kWhite, 0.7));
  }
}

void PaintMines(Picture& p) {
  for (int k = 0; k < 3; ++k) {
    const Box b = kMine[k];
    paint::FillRect(p, b.x, b.y, b.w, b.h, Rgb{70, 10, 16});
    // A row of red diamonds.
    const double cy = (b.h - 1) / 2.0;
    for (int y = 0; y < b.h; ++y)
      for (int x = 0; x < b.w; ++x) {
        const double cx = std::fmod(x + 0.5, 10.0) - 5.0;
        if (std::abs(cx) + std::abs(y - cy) < 4.2) paint::Put(p, b.x + x, b.y + y, Rgb{255, 60, 40});
        if (std::abs(cx) + std::abs(y - cy) < 1.6) paint::Put(p, b.x + x, b.y + y, Rgb{255, 230, 120});
      }
    paint::Frame(p, b.x, b.y, b.w, b.h, Rgb{200, 30, 30});
  }
}

void PaintJudgeLines(Picture& p) {
  for (int k = 0; k < 3; ++k) {
    Box b = kJudgeLine[k];
    for (int y = 0; y < b.h; ++y) {
      double d = std::abs(y - 4.5) / 4.5;  // 0 in the middle, 1 at the edges
      Rgb c = paint::Mix(Rgb{255, 236, 200}, Rgb{200, 30, 20}, d);
      double glow = 1.0 - d * d;
      for (int x = 0; x < b.w; ++x) {
        if (glow < 0.15) continue;
        paint::Put(p, b.x + x, b.y + y, paint::Scale(c, 0.35 + 0.65 * glow));
      }
    }
  }
}

void PaintPressedKeys(Picture& p) {
  const Rgb top[3] = {{255, 255, 255}, {160, 210, 255}, {255, 150, 140}};
  const Rgb bottom[3] = {{170, 176, 196}, {40, 90, 220}, {190, 30, 40}};
  for (int k = 0; k < 3; ++k) {
    Box b = kPressed[k];
    // The top 14 rows stay clear: the judgement line and the panel bar are there.
    paint::VGradient(p, b.x, b.y + 14, b.w, kKeyHoleH, top[k], bottom[k]);
    paint::Bevel(p, b.x, b.y + 14, b.w, kKeyHoleH, kWhite, paint::Scale(bottom[k], 0.4), 2);
    if (k == 2) {  // the scratch: a lit turntable ring
      double cx = b.x + b.w / 2.0 - 0.5, cy = b.y + 14 + kKeyHoleH / 2.0 - 0.5;
      for (int y = b.y + 14; y < b.y + 14 + kKeyHoleH; ++y)
        for (int x = b.x; x < b.x + b.w; ++x) {
          double r = std::hypot(x - cx, (y - cy) * 1.3);
          if (std::abs(r - 8) < 1.6) paint::Blend(p, x, y, Rgb{255, 240, 200}, 0.9);
          if (r < 3) paint::Put(p, x, y, Rgb{255, 255, 240});
        }
    }
  }
}

void PaintBeams(Picture& p) {
  const Rgb tone[3] = {{190, 210, 255}, {90, 150, 255}, {255, 90, 90}};
  for (int k = 0; k < 3; ++k) {
    Box b = kBeam[k];
    for (int y = 0; y < b.h; ++y) {
      double t = static_cast<double>(y) / (b.h - 1);  // 0 top, 1 at the judgement line
      double strength = std::pow(t, 1.8);
      for (int x = 0; x < b.w; ++x) {
        double u = (x + 0.5) / b.w * 2 - 1;  // -1..1 across the lane
        double across = 0.55 + 0.45 * (1 - u * u);
        Rgb c = paint::Scale(tone[k], strength * across * 0.85);
        if (c.r < 10 && c.g < 10 && c.b < 14) continue;  // fades into transparency
        paint::Put(p, b.x + x, b.y + y, c);
      }
    }
  }
}

void PaintLinesAndMarks(Picture& p) {
  paint::FillRect(p, kBarLine.x, kBarLine.y, kBarLine.w, kBarLine.h, Rgb{120, 124, 150});
  for (int y = 0; y < kPulse.h; ++y)
    paint::FillRect(p, kPulse.x, kPulse.y + y, kPulse.w, 1,
                    paint::Mix(Rgb{255, 255, 255}, Rgb{60, 180, 255}, std::abs(y - 1.5) / 1.5));
  for (int y = 0; y < kMarker.h; ++y)
    for (int x = 0; x <= y / 2 + 1 && x < kMarker.w; ++x)
      paint::Put(p, kMarker.x + x, kMarker.y + y, paint::Mix(Rgb{255, 240, 120}, Rgb{255, 150, 30}, y / 7.0));
  for (int x = 0; x < kBgLine.w; ++x) {
    double u = std::sin(kPi * (x + 0.5) / kBgLine.w);
    paint::Put(p, kBgLine.x + x, kBgLine.y, paint::Scale(Rgb{120, 200, 255}, 0.3 + 0.7 * u));
    paint::Put(p, kBgLine.x + x, kBgLine.y + 1, paint::Scale(Rgb{40, 80, 160}, 0.3 + 0.7 * u));
  }
  // Gauge-history cells (2 columns: normal, high) and judgement-graph cells.
  const Rgb players[5] = {{90, 200, 255}, {255, 140, 90}, {130, 255, 130}, {255, 225, 90}, {220, 130, 255}};
  for (int b = 0; b < 5; ++b) {
    paint::FillRect(p, kGraphX, kGraphY + 3 * b, 3, 3, players[b]);
    paint::FillRect(p, kGraphX + 3, kGraphY + 3 * b, 3, 3, paint::Mix(players[b], Rgb{255, 60, 60}, 0.6));
  }
  const Rgb judged[5] = {{200, 255, 255}, {255, 230, 80}, {110, 240, 110}, {200, 110, 255}, {255, 70, 70}};
  for (int b = 0; b < 5; ++b) paint::FillRect(p, kJGraphX, kJGraphY + 3 * b, 3, 3, judged[b]);
  // Song-length bar.
  for (int y = 0; y < 380; ++y) {
    Rgb c = paint::Mix(Rgb{255, 255, 255}, Rgb{40, 120, 255}, y / 379.0);
    for (int x = 0; x < 5; ++x) paint::Put(p, kLenGraphX + x, kLenGraphY + y, paint::Scale(c, x == 0 || x == 4 ? 0.6 : 1));
  }
  // Combo graph bar.
  paint::HGradient(p, kComboGraph.x, kComboGraph.y, kComboGraph.w, kComboGraph.h, Rgb{60, 200, 255},
                   Rgb{255, 255, 160});
}

// A label plate with a word in the small font.
void Label(Picture& p, Box b, const std::string& text, Rgb face, Rgb ink) {
  paint::VGradient(p, b.x, b.y, b.w, b.h, paint::Mix(face, kWhite, 0.2), paint::Scale(face, 0.6));
  paint::Bevel(p, b.x, b.y, b.w, b.h, paint::Mix(face, kWhite, 0.6), paint::Scale(face, 0.3));
  int tw = paint::CapsWidth(text, 1);
  DrawText(p, b.x + (b.w - tw) / 2, b.y + (b.h - 7) / 2 - 1, text, static_cast<uint8_t>(ink.r),
           static_cast<uint8_t>(ink.g), static_cast<uint8_t>(ink.b));
}

void PaintLabels(Picture& p) {
  Label(p, kClassLabel, "CLASS", Rgb{60, 70, 120}, Rgb{230, 235, 255});
  Label(p, kMaxCombo, "MAX COMBO", Rgb{150, 110, 20}, Rgb{255, 250, 220});
  Label(p, kNoMiss, "NO MISS", Rgb{30, 120, 70}, Rgb{230, 255, 235});
}

// Digits of a cell row: each digit centred in its cell, gradient filled.
void DigitRow(Picture& p, Box cell, const std::string& chars, int scale, Rgb top, Rgb bottom, Rgb outline) {
  for (size_t i = 0; i < chars.size(); ++i) {
    int x = cell.x + static_cast<int>(i) * cell.w + (cell.w - 5 * scale) / 2;
    int y = cell.y + (cell.h - 7 * scale) / 2;
    paint::GradientText(p, x, y, std::string(1, chars[i]), scale, top, bottom, outline);
  }
}

void PaintDigits(Picture& p) {
  DigitRow(p, kNum, "0123456789", 3, Rgb{255, 255, 255}, Rgb{255, 190, 60}, Rgb{60, 30, 8});
  DigitRow(p, kPerNum, "0123456789", 1, Rgb{255, 255, 255}, Rgb{150, 220, 255}, kNearBlack);
  // Score digits; the eleventh cell is a dot.
  DigitRow(p, kPtsNum, "0123456789.", 1, Rgb{230, 255, 255}, Rgb{90, 200, 255}, kNearBlack);
}

// ---- Judgement words and class letters ------------------------------------

void Word(Picture& p, Box b, const std::string& text, int scale, Rgb top, Rgb bottom, Rgb outline) {
  int w = paint::CapsWidth(text, scale);
  paint::GradientText(p, b.x + (b.w - w) / 2, b.y + (b.h - 7 * scale) / 2, text, scale, top, bottom, outline);
}

void PaintJudgements(Picture& p) {
  // FGREAT: four frames cycling through bright colours.
  const Rgb cycle[kFGreatFrames][2] = {{{255, 255, 255}, {120, 230, 255}},
                                       {{255, 255, 200}, {255, 200, 60}},
                                       {{255, 230, 255}, {255, 110, 220}},
                                       {{230, 255, 230}, {90, 255, 160}}};
  for (int f = 0; f < kFGreatFrames; ++f) {
    Box b{kFGreat.x, kFGreat.y + f * kFGreat.h, kFGreat.w, kFGreat.h};
    Word(p, b, "FGREAT", 3, cycle[f][0], cycle[f][1], Rgb{24, 40, 90});
  }
  Word(p, kJudge[3], "GREAT", 3, Rgb{255, 250, 190}, Rgb{255, 170, 20}, Rgb{80, 40, 8});
  Word(p, kJudge[2], "GOOD", 3, Rgb{210, 255, 200}, Rgb{40, 200, 70}, Rgb{10, 50, 20});
  Word(p, kJudge[1], "BAD", 3, Rgb{240, 200, 255}, Rgb{150, 60, 230}, Rgb{40, 12, 70});
  Word(p, kJudge[0], "POOR", 3, Rgb{255, 190, 180}, Rgb{200, 40, 40}, Rgb{60, 10, 10});
}

void PaintClassLetters(Picture& p) {
  const char* names[7] = {"SS", "S", "A", "B", "C", "D", "E"};
  const Rgb top[7] = {{255, 255, 220}, {255, 250, 190}, {240, 250, 255}, {210, 255, 220},
                      {220, 235, 255}, {235, 220, 255}, {230, 230, 230}};
  const Rgb bottom[7] = {{255, 170, 20}, {240, 170, 40}, {120, 180, 255}, {60, 200, 110},
                         {90, 140, 220}, {150, 100, 200}, {130, 130, 140}};
  for (int i = 0; i < 7; ++i) {
    Box b{kClassStr.x + i * kClassStr.w, kClassStr.y, kClassStr.w, kClassStr.h};
    Word(p, b, names[i], 3, top[i], bottom[i], Rgb{20, 20, 40});
  }
}

// ---- Gauges, panels, bombs -----------------------------------------------

void PaintGauge(Picture& p, Box b, bool lit, Rgb low, Rgb high, Rgb danger) {
  paint::FillRect(p, b.x, b.y, b.w, b.h, lit ? kNearBlack : Rgb{14, 16, 26});
  for (int x = 0; x < b.w; ++x) {
    if (x % 4 == 3) continue;  // gaps between the 4-pixel steps
    bool over = x >= b.w * 80 / 100;
    for (int y = 1; y < b.h - 1; ++y) {
      double t = (y - 1.0) / (b.h - 3);
      Rgb base = over ? danger : paint::Mix(low, high, static_cast<double>(x) / (b.w * 0.8));
      Rgb c = paint::Mix(paint::Mix(base, kWhite, 0.5), paint::Scale(base, 0.55), t);
      if (!lit) c = paint::Scale(c, 0.22);
      paint::Put(p, b.x + x, b.y + y, c);
    }
  }
  if (!lit) paint::Frame(p, b.x, b.y, b.w, b.h, Rgb{60, 66, 90});
}

void PaintGauges(Picture& p) {
  PaintGauge(p, kGaugeBg, false, Rgb{40, 140, 255}, Rgb{80, 230, 255}, Rgb{255, 60, 60});
  PaintGauge(p, kGauge, true, Rgb{40, 140, 255}, Rgb{80, 230, 255}, Rgb{255, 60, 60});
  PaintGauge(p, kExGaugeBg, false, Rgb{255, 120, 20}, Rgb{255, 220, 60}, Rgb{255, 60, 200});
  PaintGauge(p, kExGauge, true, Rgb{255, 120, 20}, Rgb{255, 220, 60}, Rgb{255, 60, 200});
}

Rgb Metal(double t) {  // brushed metal, t = 0..1 across a rail
  double k = 0.5 + 0.5 * std::sin(kPi * t);
  return paint::Mix(Rgb{34, 38, 56}, Rgb{120, 128, 160}, k);
}

// The frame around one side's lanes, 224x400: rails and separators; the
// lanes themselves stay transparent.
void PaintBasePanel(Picture& p, int side) {
  Box b = kBasePanel[side];
  std::vector<Lane> lanes = SideLanes(side);
  int first = lanes.front().x - kPanelX[side];
  int last = lanes.back().x + kLaneWidth[lanes.back().kind] - kPanelX[side];
  for (int y = 0; y < b.h; ++y) {
    for (int x = 0; x < first - 1; ++x) paint::Put(p, b.x + x, b.y + y, Metal((x + 0.5) / (first - 1)));
    for (int x = last + 1; x < b.w; ++x) paint::Put(p, b.x + x, b.y + y, Metal((x - last - 0.5) / (b.w - last - 1)));
    paint::Put(p, b.x + first - 1, b.y + y, Rgb{70, 90, 140});
    paint::Put(p, b.x + last, b.y + y, Rgb{70, 90, 140});
  }
  // Glowing stripes in the rails and separators between the lanes.
  for (int y = 0; y < b.h; ++y) {
    double glow = 0.45 + 0.55 * y / b.h;
    paint::Put(p, b.x + (first - 1) / 2, b.y + y, paint::Scale(Rgb{90, 190, 255}, glow));
    paint::Put(p, b.x + last + 1 + (b.w - last - 1) / 2, b.y + y, paint::Scale(Rgb{90, 190, 255}, glow));
    for (size_t i = 1; i < lanes.size(); ++i)
      paint::Put(p, b.x + lanes[i].x - 1 - kPanelX[side], b.y + y, paint::Scale(Rgb{44, 50, 74}, 0.6 + 0.4 * glow));
  }
}

// The key panel under the judgement line, 224x80: the bar, the key holes
// (transparent, so the pressed-key pictures show through), the gauge groove
// and the labels of the numbers.
void PaintKeyPanel(Picture& p, int side) {
  Box b = kKeyPanel[side];
  std::vector<Lane> lanes = SideLanes(side);
  int first = lanes.front().x - kPanelX[side];
  int last = lanes.back().x + kLaneWidth[lanes.back().kind] - kPanelX[side];
  // Plate from row 10 down, rails through the top rows.
  paint::VGradient(p, b.x, b.y + 10, b.w, b.h - 10, Rgb{64, 70, 96}, Rgb{18, 20, 32});
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < first - 1; ++x) paint::Put(p, b.x + x, b.y + y, Metal((x + 0.5) / (first - 1)));
    for (int x = last + 1; x < b.w; ++x) paint::Put(p, b.x + x, b.y + y, Metal((x - last - 0.5) / (b.w - last - 1)));
  }
  for (int x = 0; x < b.w; ++x) {
    paint::Put(p, b.x + x, b.y + 10, Rgb{150, 160, 200});
    paint::Put(p, b.x + x, b.y + 11, Rgb{100, 110, 150});
  }
  for (const Lane& l : lanes) {
    int x = l.x - kPanelX[side], w = kLaneWidth[l.kind];
    Box hole{b.x + x, b.y + 14, w, kKeyHoleH};
    paint::FillRect(p, hole.x - 1, hole.y - 1, hole.w + 2, hole.h + 2, Rgb{10, 10, 16});
    for (int y = 0; y < hole.h; ++y)
      for (int xx = 0; xx < hole.w; ++xx) p.Set(hole.x + xx, hole.y + y, 0, 0, 0);
    // Rim: dark above and left (sunk into the plate), light below and right.
    for (int xx = -2; xx < hole.w + 2; ++xx) {
      paint::Put(p, hole.x + xx, hole.y - 2, Rgb{16, 18, 28});
      paint::Put(p, hole.x + xx, hole.y + hole.h + 1, Rgb{140, 150, 190});
    }
    paint::Frame(p, hole.x - 1, hole.y - 1, hole.w + 2, hole.h + 2, Rgb{84, 92, 128});
    const Rgb mark = l.kind == 0 ? Rgb{220, 224, 240} : l.kind == 1 ? Rgb{80, 150, 255} : Rgb{255, 80, 80};
    paint::FillRect(p, hole.x + 2, hole.y + hole.h + 3, hole.w - 4, 1, mark);  // key colour tab
  }
  // Gauge groove and labels.
  paint::FillRect(p, b.x + 8, b.y + 42, 164, 16, Rgb{12, 12, 20});
  paint::Frame(p, b.x + 8, b.y + 42, 164, 16, Rgb{90, 100, 140});
  DrawText(p, b.x + 200, b.y + 43, "%", 170, 210, 255);
  paint::FillRect(p, b.x + 4, b.y + 60, b.w - 8, 18, Rgb{14, 14, 22});
  DrawText(p, b.x + 8, b.y + 62, "SCORE", 140, 200, 255);
  DrawText(p, b.x + 100, b.y + 62, "J-PTS", 255, 200, 120);
  DrawText(p, b.x + 8, b.y + 43, side == 0 ? "1P" : "2P", 255, 240, 160);
}

void PaintBombs(Picture& p) {
  for (int f = 0; f < kBombFrames; ++f) {
    double t = static_cast<double>(f) / (kBombFrames - 1);
    Box b{kBomb.x + f * kBomb.w, kBomb.y, kBomb.w, kBomb.h};
    // The lane's x is the left edge of a lane; the burst is centred over a lane.
    double cx = b.x + b.w / 2.0 + 13, cy = b.y + b.h / 2.0;
    double ring = 5 + 17 * std::sqrt(t);
    double fade = 1.0 - t * 0.85;
    for (int y = b.y; y < b.y + b.h; ++y)
      for (int x = b.x; x < b.x + b.w; ++x) {
        double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
        double r = std::hypot(dx, dy);
        double core = std::exp(-r * r / (2 * std::pow(9 * (1 - t) + 1.5, 2))) * (1 - t);
        double band = std::exp(-std::pow(r - ring, 2) / 6.0) * fade;
        double angle = std::atan2(dy, dx);
        double rays = std::pow(std::max(0.0, std::cos(angle * 4 + t * 2)), 12) *
                      std::exp(-std::pow(r - ring * 1.15, 2) / 30.0) * fade;
        Rgb c = paint::Scale(Rgb{255, 255, 230}, core * 1.2);
        Rgb ring_c = paint::Scale(paint::Mix(Rgb{255, 220, 120}, Rgb{255, 70, 30}, t), band * 1.1);
        Rgb ray_c = paint::Scale(Rgb{255, 200, 120}, rays * 0.9);
        c = Rgb{c.r + ring_c.r + ray_c.r, c.g + ring_c.g + ray_c.g, c.b + ring_c.b + ray_c.b};
        // Dim light stays transparent: an opaque dark fringe would cover the lane.
        if (std::max({c.r, c.g, c.b}) < 48) continue;
        paint::Put(p, x, y, c);
      }
  }
}

void PaintNetBase(Picture& p) {
  Box b = kNetBase;
  paint::VGradient(p, b.x, b.y, b.w, b.h, Rgb{30, 40, 80}, Rgb{12, 14, 30});
  paint::Bevel(p, b.x, b.y, b.w, b.h, Rgb{120, 150, 230}, Rgb{10, 10, 20}, 2);
  paint::HGradient(p, b.x + 3, b.y + 3, b.w - 6, 11, Rgb{60, 110, 220}, Rgb{20, 40, 90});
  DrawText(p, b.x + 6, b.y + 4, "NETWORK BATTLE", 230, 240, 255);
}

// ---- Fonts ------------------------------------------------------------------

// The 3x5 mini font: digits, capitals (lower case shares them) and some signs.
const char* MiniGlyph(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  static const struct {
    char c;
    const char* rows;
  } kMini[] = {
      {'0', "###" "#.#" "#.#" "#.#" "###"}, {'1', ".#." "##." ".#." ".#." "###"}, {'2', "###" "..#" "###" "#.." "###"},
      {'3', "###" "..#" ".##" "..#" "###"}, {'4', "#.#" "#.#" "###" "..#" "..#"}, {'5', "###" "#.." "###" "..#" "###"},
      {'6', "###" "#.." "###" "#.#" "###"}, {'7', "###" "..#" ".#." ".#." ".#."}, {'8', "###" "#.#" "###" "#.#" "###"},
      {'9', "###" "#.#" "###" "..#" "###"}, {'A', ".#." "#.#" "###" "#.#" "#.#"}, {'B', "##." "#.#" "##." "#.#" "##."},
      {'C', ".##" "#.." "#.." "#.." ".##"}, {'D', "##." "#.#" "#.#" "#.#" "##."}, {'E', "###" "#.." "##." "#.." "###"},
      {'F', "###" "#.." "##." "#.." "#.."}, {'G', ".##" "#.." "#.#" "#.#" ".##"}, {'H', "#.#" "#.#" "###" "#.#" "#.#"},
      {'I', "###" ".#." ".#." ".#." "###"}, {'J', "..#" "..#" "..#" "#.#" ".#."}, {'K', "#.#" "#.#" "##." "#.#" "#.#"},
      {'L', "#.." "#.." "#.." "#.." "###"}, {'M', "#.#" "###" "###" "#.#" "#.#"}, {'N', "##." "#.#" "#.#" "#.#" "#.#"},
      {'O', ".#." "#.#" "#.#" "#.#" ".#."}, {'P', "##." "#.#" "##." "#.." "#.."}, {'Q', ".#." "#.#" "#.#" "##." ".##"},
      {'R', "##." "#.#" "##." "#.#" "#.#"}, {'S', ".##" "#.." ".#." "..#" "##."}, {'T', "###" ".#." ".#." ".#." ".#."},
      {'U', "#.#" "#.#" "#.#" "#.#" "###"}, {'V', "#.#" "#.#" "#.#" "#.#" ".#."}, {'W', "#.#" "#.#" "###" "###" "#.#"},
      {'X', "#.#" "#.#" ".#." "#.#" "#.#"}, {'Y', "#.#" "#.#" ".#." ".#." ".#."}, {'Z', "###" "..#" ".#." "#.." "###"},
      {'!', ".#." ".#." ".#." "..." ".#."}, {'?', "##." "..#" ".#." "..." ".#."}, {'.', "..." "..." "..." "..." ".#."},
      {',', "..." "..." "..." ".#." "#.."}, {':', "..." ".#." "..." ".#." "..."}, {'-', "..." "..." "###" "..." "..."},
      {'+', "..." ".#." "###" ".#." "..."}, {'/', "..#" "..#" ".#." "#.." "#.."}, {'%', "#.#" "..#" ".#." "#.." "#.#"},
      {'(', ".#." "#.." "#.." "#.." ".#."}, {')', ".#." "..#" "..#" "..#" ".#."}, {'[', "##." "#.." "#.." "#.." "##."},
      {']', ".##" "..#" "..#" "..#" ".##"}, {'<', "..#" ".#." "#.." ".#." "..#"}, {'>', "#.." ".#." "..#" ".#." "#.."},
      {'=', "..." "###" "..." "###" "..."}, {'*', "#.#" ".#." "###" ".#." "#.#"}, {'#', "#.#" "###" "#.#" "###" "#.#"},
      {'\'', ".#." ".#." "..." "..." "..."}, {'"', "#.#" "#.#" "..." "..." "..."}, {'_', "..." "..." "..." "..." "###"},
  };
  for (const auto& g : kMini)
    if (g.c == c) return g.rows;
  return nullptr;
}

void PaintMiniFont(Picture& p) {
  for (int c = 33; c <= 126; ++c) {
    const char* rows = MiniGlyph(static_cast<char>(c));
    int left = ((c % 32) - 1) * 3, top = (c / 32) * 5 + kMiniTop;
    if (!rows || left < 0) continue;
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 3; ++x)
        if (rows[y * 3 + x] == '#') paint::Put(p, left + x, top + y, Rgb{230, 240, 255});
  }
}

// The system font: 8x12 cells in the arrangement the skin loader expects
// (code c in column (c mod 32) - 1 and row c / 32 - 1 from the origin).
void PaintSystemFont(Picture& p) {
  const Box f = kSysFont;
  for (int c = 33; c <= 126; ++c) {
    int left = f.x + ((c % 32) - 1) * f.w, top = f.y + ((c / 32) - 1) * f.h;
    // Outline then body: white at the top shading to pale blue.
    for (int pass = 0; pass < 2; ++pass)
      for (int row = 0; row < kFontHeight; ++row)
        for (int col = 0; col < 5; ++col) {
          if (!GlyphPixel(static_cast<char>(c), col, row)) continue;
          int x = left + 1 + col, y = top + 1 + row;
          if (pass == 0) {
            for (int dy = -1; dy <= 1; ++dy)
              for (int dx = -1; dx <= 1; ++dx) paint::Put(p, x + dx, y + dy, Rgb{16, 18, 34});
          } else {
            paint::Put(p, x, y, paint::Mix(Rgb{255, 255, 255}, Rgb{160, 200, 255}, row / 9.0));
          }
        }
  }
}

// ---- The skin file ----------------------------------------------------------

std::string R(Box b) {
  return std::to_string(b.x) + "," + std::to_string(b.y) + "," + std::to_string(b.w) + "," + std::to_string(b.h);
}

std::string P(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

std::string SkinText() {
  std::string s;
  auto line = [&](const std::string& text) { s += text + "\r\n"; };
  char nn[8];
  line("korvex default skin");
  line("Lines that do not start with '#' are comments.");
  line("Objects: 1-3 notes (white, blue, scratch), 4-6 key beams, 11-13 pressed keys,");
  line("21-23 judgement-line pieces, 30 bar line, 31 progress marker, 32 bar pulse,");
  line("40/41 side 1 lane frame and key panel, 42/43 the same for side 2.");
  line("KEY10/KEY20: bar-line object and left x of each side's lanes.");
  line("Judgement positions give the centre x and top y of the judgement word.");
  line("A tile mode would replace the background window by moving tiles; this skin uses the window:");
  line("  TILEMODE SCROLL");
  line("");
  line("#FILE kvx_scr.png");
  line("#BGA " + P(kBgaX, kBgaY) + ",256,256");
  line("#SYSFONT " + R(kSysFont));
  line("");
  line("judgement words");
  line("#POOR " + R(kJudge[0]));
  line("#BAD " + R(kJudge[1]));
  line("#GOOD " + R(kJudge[2]));
  line("#GREAT " + R(kJudge[3]));
  line("#FGREAT " + R(kFGreat) + "," + std::to_string(kFGreatFrames));
  line("#1PJUDGEPOS " + P(kPanelX[0] + 112, 280));
  line("#2PJUDGEPOS " + P(kPanelX[1] + 112, 280));
  line("#NUM " + R(kNum));
  line("#MAXCOMBO " + R(kMaxCombo));
  line("#NOMISS " + R(kNoMiss));
  line("#COMBOGRAPH " + R(kComboGraph));
  line("");
  line("gauges and numbers");
  line("#GAUGESTEP 4");
  line("#GAUGEBG " + R(kGaugeBg));
  line("#GAUGE " + R(kGauge));
  line("#EXGAUGEBG " + R(kExGaugeBg));
  line("#EXGAUGE " + R(kExGauge));
  line("#1PGAUGEPOS " + P(kPanelX[0] + 10, kJudgeY + 44));
  line("#2PGAUGEPOS " + P(kPanelX[1] + 10, kJudgeY + 44));
  line("#PERNUM " + R(kPerNum));
  line("#PERPOS1P " + P(kPanelX[0] + 176, kJudgeY + 45));
  line("#PERPOS2P " + P(kPanelX[1] + 176, kJudgeY + 45));
  line("#PTSNUM " + R(kPtsNum));
  line("#1PPTSPOS " + P(kPanelX[0] + 42, kJudgeY + 62));
  line("#2PPTSPOS " + P(kPanelX[1] + 42, kJudgeY + 62));
  line("#1PJPTSPOS " + P(kPanelX[0] + 134, kJudgeY + 62));
  line("#2PJPTSPOS " + P(kPanelX[1] + 134, kJudgeY + 62));
  line("#BPMPOS " + P(232, 330));
  line("#GRAPH " + P(kGraphX, kGraphY));
  line("#JGRAPH " + P(kJGraphX, kJGraphY));
  line("#LENGRAPH " + P(kLenGraphX, kLenGraphY));
  line("#ELM_CLASS " + R(kClassLabel));
  line("#CLASSSTR " + R(kClassStr));
  line("#BOMB " + R(kBomb) + "," + std::to_string(kBombFrames));
  line("#BGLINE " + R(kBgLine));
  line("");
  line("network battle");
  line("#NETBASE " + R(kNetBase));
  line("#NETTITLEPOS 428,300,200,12");
  line("#NETTITLECOLOR #C8E0FF");
  line("#NETNAMEPOS 428,316,120,12");
  line("#NETNAMECOLOR #FFE890");
  line("#NETGAUGEPOS " + P(428, 334));
  line("#NETPERPOS " + P(592, 334));
  line("#NETJPTSPOS " + P(552, 316));
  line("");
  line("panels");
  line("#BASEPANEL1P 40," + P(kPanelX[0], 0));
  line("#KEYPANEL1P 41," + P(kPanelX[0], kJudgeY));
  line("#BASEPANEL2P 42," + P(kPanelX[1], 0));
  line("#KEYPANEL2P 43," + P(kPanelX[1], kJudgeY));
  line("");
  line("objects");
  for (int k = 0; k < 3; ++k) {
    std::snprintf(nn, sizeof nn, "%02d", 1 + k);
    line(std::string("#OBJ") + nn + " " + R(kNote[k]));
    std::snprintf(nn, sizeof nn, "%02d", 4 + k);
    line(std::string("#OBJ") + nn + " " + R(kBeam[k]));
    std::snprintf(nn, sizeof nn, "%02d", 11 + k);
    line(std::string("#OBJ") + nn + " " + R(kPressed[k]));
    std::snprintf(nn, sizeof nn, "%02d", 21 + k);
    line(std::string("#OBJ") + nn + " " + R(kJudgeLine[k]));
  }
  line("#OBJ30 " + R(kBarLine));
  line("#OBJ31 " + R(kMarker));
  line("#OBJ32 " + R(kPulse));
  line("#OBJ40 " + R(kBasePanel[0]));
  line("#OBJ41 " + R(kKeyPanel[0]));
  line("#OBJ42 " + R(kBasePanel[1]));
  line("#OBJ43 " + R(kKeyPanel[1]));
  line("");
  line("long notes and mines of each lane channel: body, body while held, end cap, mine");
  for (int side = 0; side < 2; ++side)
    for (const Lane& l : SideLanes(side)) {
      const std::string ch = std::to_string(l.channel) + ",";
      line("#LNBODY " + ch + R(kLongBody[l.kind]));
      line("#LNACTIVE " + ch + R(kLongActive[l.kind]));
      line("#LNEND " + ch + R(kLongEnd[l.kind]));
      line("#MINE " + ch + R(kMine[l.kind]));
    }
  line("");
  line("lanes: note object, screen x, key-beam object");
  for (int side = 0; side < 2; ++side) {
    std::vector<Lane> lanes = SideLanes(side);
    line("#KEY" + std::to_string(side == 0 ? 10 : 20) + " 30," + std::to_string(lanes.front().x) + ",0");
    std::vector<Lane> sorted = lanes;
    for (const Lane& l : lanes)
      if (l.channel % 10 == 6) sorted.push_back({l.channel + 1, l.kind, l.x});  // 17/27 draw as 16/26
    for (int ch = side * 10 + 11; ch <= side * 10 + 19; ++ch)
      for (const Lane& l : sorted)
        if (l.channel == ch)
          line("#KEY" + std::to_string(ch) + " " + std::to_string(1 + l.kind) + "," + std::to_string(l.x) + "," +
               std::to_string(4 + l.kind));
  }
  return s;
}

}  // namespace

bool WriteDefaultSkin(const std::string& data) {
  Picture p(kImageW, kImageH);
  PaintNotes(p);
  PaintLongNotes(p);
  PaintMines(p);
  PaintJudgeLines(p);
  PaintPressedKeys(p);
  PaintBeams(p);
  PaintLinesAndMarks(p);
  PaintLabels(p);
  PaintDigits(p);
  PaintJudgements(p);
  PaintClassLetters(p);
  PaintGauges(p);
  for (int side = 0; side < 2; ++side) {
    PaintBasePanel(p, side);
    PaintKeyPanel(p, side);
  }
  PaintBombs(p);
  PaintNetBase(p);
  PaintMiniFont(p);
  PaintSystemFont(p);
  bool ok = SavePicturePng(p, data + "/kvx_scr.png");
  ok &= SaveText(SkinText(), data + "/kvx_scr.brd");
  if (!ok) std::fprintf(stderr, "assetgen: cannot write the default skin in %s\n", data.c_str());
  return ok;
}

}  // namespace assetgen
