#pragma once
// Surface pixels read back for pixel checks, and how much of a keyed skin
// picture shows at a place.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/game.h"
#include "media/display.h"

namespace kvx::test {

struct Picture {
  std::vector<uint32_t> px;  // 0xAARRGGBB, row by row
  int w = 0, h = 0;
  uint32_t at(int x, int y) const { return px[static_cast<size_t>(y) * w + x] & 0xFFFFFF; }
};

inline Picture ReadPicture(Game& g, Surface& s) { return Picture{ReadSurfacePixels(g.display, s), s.width, s.height}; }

// Saves a picture as build/screenshots/<name> (PNG) for a person to look at.
inline void SaveScreenshot(const Picture& p, const std::string& name) {
  const std::filesystem::path folder = std::filesystem::path(KVX_BUILD_DIR) / "screenshots";
  std::filesystem::create_directories(folder);
  std::vector<uint32_t> copy = p.px;
  for (uint32_t& px : copy) px |= 0xFF000000u;  // black is transparent on surfaces, not in a picture
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(copy.data(), p.w, p.h, 32, p.w * 4, SDL_PIXELFORMAT_ARGB8888);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(IMG_SavePNG(s, (folder / name).c_str()), 0) << IMG_GetError();
  SDL_FreeSurface(s);
}

// The coloured (non-black) pixels of rect in source, and how many of them
// back shows with the same colour when the picture's corner is at (x, top).
// Rows above the top edge of back are left out.
struct InkMatch {
  int ink = 0, same = 0;
  double share() const { return ink ? double(same) / ink : 0.0; }
};

inline InkMatch MatchInk(const Picture& back, int x, int top, const Picture& source, const Rect& rect) {
  InkMatch m;
  for (int sy = rect.top; sy < rect.bottom; ++sy)
    for (int sx = rect.left; sx < rect.right; ++sx) {
      const uint32_t want = source.at(sx, sy);
      const int dy = top + sy - rect.top;
      if (!want || dy < 0 || dy >= back.h) continue;
      ++m.ink;
      m.same += back.at(x + sx - rect.left, dy) == want;
    }
  return m;
}

}  // namespace kvx::test
