// The display in a real game window: an X server (the session's, or an Xvfb
// started for the test), the x11 video driver, the generated default data,
// and the pixels of BackSurface after text, numbers, the message line, the
// FPS figure and the clipped, keyed and stretched copies.
#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "display_fixture.h"
#include "picture.h"
#include "xserver.h"
#include "app/skin_loading.h"
#include "app/display_game.h"
#include "media/skin.h"

namespace kvx::test {
namespace {

namespace fs = std::filesystem;

class DisplayScreenshot : public ::testing::Test {
 protected:
  void SetUp() override {
    x = std::make_unique<XDisplay>();
    if (!x->Use()) GTEST_SKIP() << "No X server: " << x->reason();
  }
  void TearDown() override {
    ReleaseDirectX(g);  // the window goes before its X server does
    x.reset();
  }

  Picture Read(Surface& s) { return ReadPicture(g, s); }

  // Counts the pixels of `back` at (x, y) that differ from rect of `src`:
  // non-black source pixels must be copied; black ones must show `under`
  // (keyed) or be black (plain).
  int Mismatches(const Picture& back, int x, int y, const Picture& src, const Rect& rect, bool keyed,
                 uint32_t under, int maxColumn = 640) {
    int bad = 0;
    for (int sy = rect.top; sy < rect.bottom; ++sy)
      for (int sx = rect.left; sx < rect.right; ++sx) {
        int dx = x + sx - rect.left, dy = y + sy - rect.top;
        if (dx >= maxColumn) continue;
        uint32_t want = src.at(sx, sy);
        if (want == 0 && keyed) want = under;
        if (back.at(dx, dy) != want) ++bad;
      }
    return bad;
  }

  TempFolder folder;
  Game g;
  std::unique_ptr<XDisplay> x;
};

TEST_F(DisplayScreenshot, GameWindowDrawsTextNumbersAndCopies) {
  const fs::path data = fs::path(KVX_BUILD_DIR) / "_kvxfiles";
  if (!fs::exists(data / "kvx_scr.brd")) GTEST_SKIP() << "generated default data missing in " << data;
  fs::copy(data, fs::path(folder.path()) / "_kvxfiles", fs::copy_options::recursive);

  g.SetProgramFolder(folder.path());
  g.UseClock(std::make_unique<ScriptedClock>(0, 1));
  InitDX(g);
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::string(driver) != "x11") GTEST_SKIP() << "x11 video driver unavailable: " << SDL_GetError();
  ShowGameWindow(g);
  InitDD(g);
  CreateSurfaces(g);
  LoadSS(g);
  LoadRectData(g, g.paths.In("kvx_scr.brd"));
  DisplayState& ds = g.display;
  ASSERT_NE(ds.window, nullptr);
  ASSERT_FALSE(ds.headless);
  ASSERT_TRUE(ds.BackSurface.Valid());
  ASSERT_TRUE(ds.SkinSurface.Valid());
  ASSERT_GT(ds.CharWidth, 0);

  const Picture skin = Read(ds.SkinSurface);
  const Rect A = ds.GlyphRects['A' - 32];
  // A glyph with both ink and black holes, for the keyed copy.
  int inkA = 0, holesA = 0;
  for (int y = A.top; y < A.bottom; ++y)
    for (int xx = A.left; xx < A.right; ++xx) (skin.at(xx, y) ? inkA : holesA)++;
  ASSERT_GT(inkA, 0);
  ASSERT_GT(holesA, 0);

  FillSurface(g.display, ds.BackSurface, nullptr, 0);
  DrawFontText(g.display, 100, 100, "A");
  DrawFontText(g.display, 630, 120, "A");  // runs off the screen's right edge
  // Clipped at x 630 by the clip rectangle.
  const Rect blueBand{600, 140, 640, 140 + A.Height()};
  FillSurface(g.display, ds.BackSurface, &blueBand, kBlue);
  BltClipped(g.display, ds.BackSurface, Rect{0, 0, 630, 480}, 625, 140, ds.SkinSurface, A, kBltSourceColorKey);
  // Colour-keyed copy onto blue.
  const Rect blue{200, 100, 200 + A.Width(), 100 + A.Height()};
  FillSurface(g.display, ds.BackSurface, &blue, kBlue);
  BltClipped(g.display, ds.BackSurface, ds.ScreenRect, 200, 100, ds.SkinSurface, A, kBltSourceColorKey);
  // Stretched (plain) copy at twice the size onto blue: black is copied too.
  const Rect big{300, 100, 300 + 2 * A.Width(), 100 + 2 * A.Height()};
  FillSurface(g.display, ds.BackSurface, &big, kBlue);
  BltStretch(g.display, ds.BackSurface, big, ds.SkinSurface, A, 0);
  // A number in the skin's digit font.
  NumberFont font;
  font.advance = static_cast<int16_t>(g.skin.NumAdvance);
  font.rects = g.skin.NumRects;
  DrawNumber(g.display, ds.SkinSurface, font, 100, 200, 42, 3);
  ShowMessage(g.display, g.NowMs(), "AAA");
  PresentFrame(g);

  const Picture back = Read(ds.BackSurface);
  ASSERT_EQ(back.px.size(), 640u * 480u);
  EXPECT_EQ(Mismatches(back, 100, 100, skin, A, true, 0), 0);
  EXPECT_EQ(Mismatches(back, 630, 120, skin, A, true, 0), 0);  // columns 630..639 only
  EXPECT_EQ(Mismatches(back, 625, 140, skin, A, true, kBlue, 630), 0);
  for (int y = 140; y < 140 + A.Height(); ++y)
    for (int xx = 630; xx < 640; ++xx) ASSERT_EQ(back.at(xx, y), kBlue) << xx << "," << y;
  EXPECT_EQ(Mismatches(back, 200, 100, skin, A, true, kBlue), 0);
  int stretchBad = 0;
  for (int y = 0; y < A.Height(); ++y)
    for (int xx = 0; xx < A.Width(); ++xx)
      for (int k = 0; k < 4; ++k)
        stretchBad += back.at(300 + 2 * xx + k % 2, 100 + 2 * y + k / 2) != skin.at(A.left + xx, A.top + y);
  EXPECT_EQ(stretchBad, 0);
  // Digits 0, 4, 2 in their cells.
  if (font.rects[4].right > font.rects[4].left) {
    EXPECT_EQ(Mismatches(back, 100, 200, skin, font.rects[0], true, 0), 0);
    EXPECT_EQ(Mismatches(back, 100 + font.advance, 200, skin, font.rects[4], true, 0), 0);
    EXPECT_EQ(Mismatches(back, 100 + 2 * font.advance, 200, skin, font.rects[2], true, 0), 0);
  }
  // The message line at (0, 465) and the FPS figure at (310, 479 - CharHeight).
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Mismatches(back, i * ds.CharWidth, 465, skin, A, true, 0), 0) << i;
  const Rect F = ds.GlyphRects['F' - 32];
  EXPECT_EQ(Mismatches(back, 310, 479 - ds.CharHeight, skin, F, true, 0), 0);
  EXPECT_GE(ds.frames_presented, 1u);
}

// A settings file may hold any window place: one beyond every desktop (here
// the largest a 32-bit pixel count can hold, in twips) opens a normal window
// on the desktop.
TEST_F(DisplayScreenshot, StoredWindowPlaceFarOffTheDesktop) {
  g.SetProgramFolder(folder.path());
  g.UseClock(std::make_unique<ScriptedClock>(0, 1));
  g.window.Left = 2147483647.0f * 15;
  g.window.Top = -2147483647.0f * 15;
  g.window.Width = 3.0e38f;
  g.window.Height = 7200;
  g.window.applied = true;
  InitDX(g);
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::string(driver) != "x11") GTEST_SKIP() << "x11 video driver unavailable: " << SDL_GetError();
  ShowGameWindow(g);
  ASSERT_NE(g.display.window, nullptr);
  SDL_Rect desktop{};
  ASSERT_EQ(SDL_GetDisplayBounds(0, &desktop), 0);
  int x = 0, y = 0, w = 0, h = 0;
  SDL_GetWindowPosition(g.display.window, &x, &y);
  SDL_GetWindowSize(g.display.window, &w, &h);
  EXPECT_EQ(h, 480);  // the stored height, 7200 twips
  EXPECT_LE(w, std::max(desktop.w, 640));
  EXPECT_GE(x, desktop.x - w);
  EXPECT_LT(x, desktop.x + desktop.w);
  EXPECT_GE(y, desktop.y - h);
  EXPECT_LT(y, desktop.y + desktop.h);
}

}  // namespace
}  // namespace kvx::test
