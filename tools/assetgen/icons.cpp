// The application icon at the sizes desktops look for: a rounded dark tile
// with four lanes, falling notes and the red judgement line. Each size is
// drawn from the shape's own coordinates with 4x4 samples per pixel, so small
// sizes stay smooth and sharp.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "assets.h"
#include "platform/files.h"
#include "writers.h"

namespace assetgen {

namespace {

struct Rgba {
  float r = 0, g = 0, b = 0, a = 0;
};

struct Note {
  int lane;
  float top;  // of the tile's height
  Rgba color;
};

constexpr int kLanes = 4;
constexpr float kMargin = 0.06f, kCorner = 0.2f;
constexpr float kLaneLeft = 0.2f, kLaneWidth = 0.15f;
constexpr float kNoteHeight = 0.07f, kJudgeLine = 0.78f, kJudgeHeight = 0.045f;
const Note kNotes[] = {{0, 0.16f, {0.95f, 0.95f, 1.0f, 1}},
                       {1, 0.44f, {0.35f, 0.8f, 1.0f, 1}},
                       {2, 0.27f, {0.95f, 0.95f, 1.0f, 1}},
                       {3, 0.58f, {1.0f, 0.78f, 0.25f, 1}},
                       {0, 0.66f, {0.95f, 0.95f, 1.0f, 1}}};

bool InsideRoundedTile(float x, float y) {
  const float lo = kMargin, hi = 1 - kMargin;
  if (x < lo || x > hi || y < lo || y > hi) return false;
  const float cx = std::clamp(x, lo + kCorner, hi - kCorner), cy = std::clamp(y, lo + kCorner, hi - kCorner);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= kCorner * kCorner;
}

// The colour of the icon at (x, y) in 0..1, top left first.
Rgba IconColor(float x, float y) {
  if (!InsideRoundedTile(x, y)) return {};
  Rgba c{0.08f + 0.1f * y, 0.09f + 0.04f * y, 0.2f + 0.12f * y, 1};  // night-blue gradient
  const float lane = (x - kLaneLeft) / kLaneWidth;
  const int index = static_cast<int>(std::floor(lane));
  const float inLane = lane - index;
  const bool onLane = index >= 0 && index < kLanes;
  if (onLane && y > 0.1f && y < 0.9f && (inLane < 0.04f || inLane > 0.96f)) c = {0.3f, 0.32f, 0.5f, 1};
  if (x > kLaneLeft && x < kLaneLeft + kLanes * kLaneWidth && std::fabs(y - kJudgeLine) < kJudgeHeight / 2)
    return {0.95f, 0.2f, 0.25f, 1};
  for (const Note& n : kNotes)
    if (onLane && index == n.lane && inLane > 0.1f && inLane < 0.9f && y >= n.top && y < n.top + kNoteHeight)
      return n.color;
  return c;
}

std::vector<uint8_t> DrawIcon(int size) {
  constexpr int kSamples = 4;
  std::vector<uint8_t> rgba(static_cast<size_t>(size) * size * 4);
  for (int py = 0; py < size; ++py)
    for (int px = 0; px < size; ++px) {
      Rgba sum;
      for (int sy = 0; sy < kSamples; ++sy)
        for (int sx = 0; sx < kSamples; ++sx) {
          const Rgba s = IconColor((px + (sx + 0.5f) / kSamples) / size, (py + (sy + 0.5f) / kSamples) / size);
          sum.r += s.r * s.a, sum.g += s.g * s.a, sum.b += s.b * s.a, sum.a += s.a;
        }
      uint8_t* p = &rgba[(static_cast<size_t>(py) * size + px) * 4];
      const float a = sum.a > 0 ? sum.a : 1;
      p[0] = static_cast<uint8_t>(std::lround(255 * sum.r / a));
      p[1] = static_cast<uint8_t>(std::lround(255 * sum.g / a));
      p[2] = static_cast<uint8_t>(std::lround(255 * sum.b / a));
      p[3] = static_cast<uint8_t>(std::lround(255 * sum.a / (kSamples * kSamples)));
    }
  return rgba;
}

}  // namespace

bool WriteIcons(const std::string& hicolor) {
  kvx::MakeFolder(hicolor);
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const std::string folder = hicolor + "/" + std::to_string(size) + "x" + std::to_string(size);
    kvx::MakeFolder(folder);
    kvx::MakeFolder(folder + "/apps");
    if (!SaveRgbaPng(size, size, DrawIcon(size), folder + "/apps/korvex.png")) return false;
  }
  return true;
}

}  // namespace assetgen
