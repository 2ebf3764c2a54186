#pragma once
// A display without a window (SDL dummy driver, software renderer) on a
// scripted clock, either alone (DisplayAloneFixture: the display's own state,
// the log, the clock and the event pump) or in a headless game
// (DisplayFixture), and a small bitmap font of its own in SkinSurface:
// 'A' is a 16x12 glyph whose columns 0-9 are red and 10-15 green, with one
// black (transparent) pixel at (5, 5).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/display_game.h"
#include "app/game.h"
#include "media/display.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/services.h"
#include "test_support.h"

namespace kvx::test {

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00;

inline void MakeGlyphFont(DisplayState& d) {
  ASSERT_TRUE(CreateSurface(d, d.SkinSurface, 64, 32, true));
  Rect red{0, 0, 10, 12}, green{10, 0, 16, 12}, hole{5, 5, 6, 6};
  FillSurface(d, d.SkinSurface, &red, kRed);
  FillSurface(d, d.SkinSurface, &green, kGreen);
  FillSurface(d, d.SkinSurface, &hole, 0);
  d.CharWidth = 16;
  d.CharHeight = 12;
  for (auto& r : d.GlyphRects) r = Rect{48, 20, 64, 32};  // an empty (black) cell
  d.GlyphRects['A' - 32] = Rect{0, 0, 16, 12};
}

inline uint32_t BackPixel(DisplayState& d, int x, int y) {
  auto pixels = ReadSurfacePixels(d, d.BackSurface);
  if (pixels.empty()) return 0xDEADBEEF;
  return pixels[static_cast<size_t>(y) * 640 + x] & 0xFFFFFF;
}

class DisplayAloneFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    MakeFolder(folder.path() + "/_kvxfiles");
    log.SetPath(folder.path() + "/_kvxfiles/debug.txt");
    options.headless = true;
  }
  void TearDown() override {
    ReleaseDisplay(display, window);
    CloseDisplay(display, pump);
  }

  // The start-up steps of the display.
  void StartDisplay() {
    ASSERT_TRUE(InitDX(services, display, pump, window, options, "ＭＳ Ｐゴシック"));
    ShowGameWindow(services, display, pump, window, options);
    InitDD(services, display, pump, window, options);
    CreateSurfaces(services, display, 256, 256, "ＭＳ Ｐゴシック");
    ASSERT_TRUE(display.BackSurface.Valid());
  }
  void MakeGlyphFont() { test::MakeGlyphFont(display); }
  uint32_t BackPixel(int x, int y) { return test::BackPixel(display, x, y); }
  std::string Log() { return ReadTextFile(log.Path()).value_or(""); }

  TempFolder folder;
  Logger log;
  ScriptedClock clock;
  Services services{log, clock};
  EventPump pump;
  WindowGeometry window;
  DisplayOptions options;
  DisplayState display;
};

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

  void MakeGlyphFont() { test::MakeGlyphFont(g.display); }
  uint32_t BackPixel(int x, int y) { return test::BackPixel(g.display, x, y); }

  std::string Log() { return ReadTextFile(g.log.Path()).value_or(""); }

  TempFolder folder;
  Game g;
  ScriptedClock* clock = nullptr;
};

}  // namespace kvx::test
