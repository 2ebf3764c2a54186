#pragma once
// A headless game with a display (SDL dummy driver, software renderer), a
// scripted clock and a small bitmap font of its own in SkinSurface:
// 'A' is a 16x12 glyph whose columns 0-9 are red and 10-15 green, with one
// black (transparent) pixel at (5, 5).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/game.h"
#include "media/display.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "test_support.h"

namespace kvx::test {

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00;

class DisplayFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    clock = UseHeadlessGame(g, folder.path());
  }
  void TearDown() override { ReleaseDirectX(g); }

  // The start-up steps of the display.
  void StartDisplay() {
    InitDX(g);
    ShowGameWindow(g);
    InitDD(g);
    CreateSurfaces(g);
    ASSERT_TRUE(g.display.BackSurface.Valid());
  }

  void MakeGlyphFont() {
    DisplayState& d = g.display;
    ASSERT_TRUE(CreateSurface(g.display, d.SkinSurface, 64, 32, true));
    Rect red{0, 0, 10, 12}, green{10, 0, 16, 12}, hole{5, 5, 6, 6};
    FillSurface(g.display, d.SkinSurface, &red, kRed);
    FillSurface(g.display, d.SkinSurface, &green, kGreen);
    FillSurface(g.display, d.SkinSurface, &hole, 0);
    d.CharWidth = 16;
    d.CharHeight = 12;
    for (auto& r : d.GlyphRects) r = Rect{48, 20, 64, 32};  // an empty (black) cell
    d.GlyphRects['A' - 32] = Rect{0, 0, 16, 12};
  }

  uint32_t BackPixel(int x, int y) {
    auto pixels = ReadSurfacePixels(g, g.display.BackSurface);
    if (pixels.empty()) return 0xDEADBEEF;
    return pixels[static_cast<size_t>(y) * 640 + x] & 0xFFFFFF;
  }

  std::string Log() { return ReadTextFile(g.log.Path()).value_or(""); }

  TempFolder folder;
  Game g;
  ScriptedClock* clock = nullptr;
};

}  // namespace kvx::test
