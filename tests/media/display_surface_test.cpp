// Drawing onto BackSurface and reading it back: bitmap-font text, clipping,
// colour keys, stretching, digits, grey copies and TrueType text.
#include <SDL.h>

#include <set>

#include "display_fixture.h"

namespace kvx::test {

using DisplaySurface = DisplayFixture;

TEST_F(DisplaySurface, FontTextGlyphsSpacesSpacingAndClipping) {
  StartDisplay();
  MakeGlyphFont();
  DisplayState& d = g.display;
  FillSurface(g.display, d.BackSurface, nullptr, kBlue);

  DrawFontText(g, 100, 50, "A A");
  EXPECT_EQ(BackPixel(100, 50), kRed);
  EXPECT_EQ(BackPixel(109, 61), kRed);
  EXPECT_EQ(BackPixel(110, 50), kGreen);
  EXPECT_EQ(BackPixel(115, 61), kGreen);
  EXPECT_EQ(BackPixel(105, 55), kBlue) << "black glyph pixel is transparent";
  EXPECT_EQ(BackPixel(116, 50), kBlue) << "the space draws nothing";
  EXPECT_EQ(BackPixel(131, 50), kBlue);
  EXPECT_EQ(BackPixel(132, 50), kRed) << "the next character is one CharWidth further on";
  EXPECT_EQ(BackPixel(100, 62), kBlue);

  // Spacing 1.5: x + i * 16 + 1.5 * (i + 1), rounded half to even: 2, 19.
  DrawFontText(g, 0, 200, "AA", 1.5f);
  EXPECT_EQ(BackPixel(1, 200), kBlue);
  EXPECT_EQ(BackPixel(2, 200), kRed);
  EXPECT_EQ(BackPixel(18, 200), kBlue);
  EXPECT_EQ(BackPixel(19, 200), kRed);
  // Spacing 0.5: 0.5 rounds to 0, 16 + 1 = 17.
  DrawFontText(g, 0, 300, "AA", 0.5f);
  EXPECT_EQ(BackPixel(0, 300), kRed);
  EXPECT_EQ(BackPixel(16, 300), kBlue);
  EXPECT_EQ(BackPixel(17, 300), kRed);

  // A glyph at x 630 keeps its left 10 pixels (all red); nothing wraps round.
  DrawFontText(g, 630, 100, "A");
  for (int x = 630; x < 640; ++x) EXPECT_EQ(BackPixel(x, 100), kRed) << x;
  EXPECT_EQ(BackPixel(0, 101), kBlue);
  // Entirely right of the screen, left of it or below it: not drawn.
  DrawFontText(g, 641, 400, "A");
  DrawFontText(g, -16, 400, "A");
  DrawFontText(g, 300, 480, "A");
  // Partly above the top: the lower rows of the glyph show.
  DrawFontText(g, 300, -6, "A");
  EXPECT_EQ(BackPixel(300, 0), kRed);
  EXPECT_EQ(BackPixel(300, 5), kRed);
  EXPECT_EQ(BackPixel(300, 6), kBlue);
  // Characters outside 33..126 and the bytes of a Japanese character draw nothing.
  DrawFontText(g, 400, 300, "\x7F" "あA");
  EXPECT_EQ(BackPixel(400, 300), kBlue);
  EXPECT_EQ(BackPixel(416, 300), kBlue);
  EXPECT_EQ(BackPixel(432, 300), kBlue);
  EXPECT_EQ(BackPixel(448, 300), kRed) << "DEL + two bytes of あ take three places";
  auto pixels = ReadSurfacePixels(g, d.BackSurface);
  int red_left_column = 0;
  for (int y = 390; y < 420; ++y) red_left_column += (pixels[y * 640] & 0xFFFFFF) == kRed;
  EXPECT_EQ(red_left_column, 0);
}

TEST_F(DisplaySurface, BltClippedRulesOnOtherSurfaces) {
  StartDisplay();
  MakeGlyphFont();
  Surface dest;
  ASSERT_TRUE(CreateSurface(g.display, dest, 200, 50, false));
  FillSurface(g.display, dest, nullptr, kBlue);
  const Rect clip{0, 0, 100, 40};
  const Rect glyph{0, 0, 16, 12};
  BltClipped(g.display, dest, clip, -4, 0, g.display.SkinSurface, glyph, kBltSourceColorKey);   // cut on the left
  BltClipped(g.display, dest, clip, 95, 0, g.display.SkinSurface, glyph, kBltSourceColorKey);   // cut on the right
  BltClipped(g.display, dest, clip, 100, 20, g.display.SkinSurface, glyph, kBltSourceColorKey); // zero width left
  BltClipped(g.display, dest, clip, 150, 20, g.display.SkinSurface, glyph, kBltSourceColorKey); // outside the clip
  BltClipped(g.display, dest, clip, 40, 35, g.display.SkinSurface, glyph, kBltSourceColorKey);  // cut at the bottom
  auto px = ReadSurfacePixels(g, dest);
  auto at = [&](int x, int y) { return px[y * 200 + x] & 0xFFFFFF; };
  EXPECT_EQ(at(0, 0), kRed);     // glyph column 4
  EXPECT_EQ(at(5, 0), kRed);     // glyph column 9
  EXPECT_EQ(at(6, 0), kGreen);   // glyph column 10
  EXPECT_EQ(at(11, 0), kGreen);  // glyph column 15
  EXPECT_EQ(at(12, 0), kBlue);
  EXPECT_EQ(at(1, 5), kBlue) << "the hole at glyph column 5";
  EXPECT_EQ(at(95, 0), kRed);
  EXPECT_EQ(at(99, 0), kRed);
  EXPECT_EQ(at(100, 0), kBlue);
  EXPECT_EQ(at(100, 20), kBlue);
  EXPECT_EQ(at(150, 20), kBlue);
  EXPECT_EQ(at(40, 39), kRed);
  EXPECT_EQ(at(40, 40), kBlue);
  // A source rectangle outside the source surface is refused, not squeezed.
  BltClipped(g.display, dest, Rect{0, 0, 200, 50}, 120, 0, g.display.SkinSurface, Rect{56, 0, 72, 12}, 0);
  px = ReadSurfacePixels(g, dest);
  EXPECT_EQ(at(120, 0), kBlue);
  ReleaseSurface(dest);
}

TEST_F(DisplaySurface, ColourKeyedCopiesSkipBlackFromTargetsAndFiles) {
  StartDisplay();
  DisplayState& d = g.display;
  // A render-target surface with a colour key, like GraphSurface.
  Surface keyed;
  ASSERT_TRUE(CreateSurface(g.display, keyed, 8, 8, true));
  Rect centre{2, 2, 6, 6};
  FillSurface(g.display, keyed, &centre, kYellow);
  FillSurface(g.display, d.BackSurface, nullptr, kBlue);
  BltClipped(g.display, d.BackSurface, d.ScreenRect, 10, 10, keyed, Rect{0, 0, 8, 8}, kBltSourceColorKey);
  EXPECT_EQ(BackPixel(10, 10), kBlue);
  EXPECT_EQ(BackPixel(12, 12), kYellow);
  EXPECT_EQ(BackPixel(17, 17), kBlue);
  // Without the key flag, black is copied.
  BltClipped(g.display, d.BackSurface, d.ScreenRect, 30, 10, keyed, Rect{0, 0, 8, 8}, kBltWait);
  EXPECT_EQ(BackPixel(30, 10), 0u);
  EXPECT_EQ(BackPixel(32, 12), kYellow);
  // A source without a key copies black even with the key flag.
  keyed.color_key = false;
  BltClipped(g.display, d.BackSurface, d.ScreenRect, 50, 10, keyed, Rect{0, 0, 8, 8}, kBltSourceColorKey);
  EXPECT_EQ(BackPixel(50, 10), 0u);
  // The surface copied back from the screen (CaptureSurface) keeps the rule too.
  BltClipped(g.display, d.CaptureSurface, d.ScreenRect, 0, 0, d.BackSurface, Rect{28, 8, 40, 20}, kBltWait);
  BltClipped(g.display, d.BackSurface, d.ScreenRect, 100, 100, d.CaptureSurface, Rect{0, 0, 12, 12},
             kBltSourceColorKey);
  EXPECT_EQ(BackPixel(100, 100), kBlue) << "blue copied";
  EXPECT_EQ(BackPixel(102, 102), kBlue) << "black of the capture skipped";
  EXPECT_EQ(BackPixel(104, 104), kYellow);
  ReleaseSurface(keyed);

  // A picture file: black pixels are transparent whatever the file's own alpha.
  SDL_Surface* pic = SDL_CreateRGBSurfaceWithFormat(0, 3, 1, 32, SDL_PIXELFORMAT_ARGB8888);
  ASSERT_NE(pic, nullptr);
  auto* p = static_cast<uint32_t*>(pic->pixels);
  p[0] = 0xFF000000;  // black
  p[1] = 0xFF010203;  // nearly black: opaque
  p[2] = 0x00FF8000;  // orange with alpha 0 in the file: opaque
  std::string path = folder.path() + "/_kvxfiles/Pic.bmp";
  ASSERT_EQ(SDL_SaveBMP(pic, path.c_str()), 0);
  SDL_FreeSurface(pic);
  Surface loaded;
  ASSERT_TRUE(LoadSurfaceFromFile(g.Services(), g.display, loaded, folder.path() + "/_kvxfiles/pic.BMP", true)) << "found ignoring case";
  EXPECT_EQ(loaded.width, 3);
  EXPECT_EQ(loaded.height, 1);
  BltClipped(g.display, d.BackSurface, d.ScreenRect, 200, 200, loaded, Rect{0, 0, 3, 1}, kBltSourceColorKey);
  EXPECT_EQ(BackPixel(200, 200), kBlue);
  EXPECT_EQ(BackPixel(201, 200), 0x010203u);
  EXPECT_EQ(BackPixel(202, 200), 0xFF8000u);
  // A missing file leaves the surface as it was and says so in the log.
  EXPECT_FALSE(LoadSurfaceFromFile(g.Services(), g.display, loaded, folder.path() + "/nothing.bmp", true));
  EXPECT_TRUE(loaded.Valid());
  EXPECT_NE(Log().find("Error : can't load image : " + folder.path() + "/nothing.bmp"), std::string::npos);
  ReleaseSurface(loaded);
  EXPECT_FALSE(loaded.Valid());
}

TEST_F(DisplaySurface, StretchedCopiesAndGreyCopy) {
  StartDisplay();
  DisplayState& d = g.display;
  Surface quad;
  ASSERT_TRUE(CreateSurface(g.display, quad, 2, 2, true));
  Rect tl{0, 0, 1, 1}, tr{1, 0, 2, 1}, bl{0, 1, 1, 2};
  FillSurface(g.display, quad, &tl, kRed);
  FillSurface(g.display, quad, &tr, kGreen);
  FillSurface(g.display, quad, &bl, kYellow);  // bottom right stays black
  FillSurface(g.display, d.BackSurface, nullptr, kBlue);
  BltStretch(g.display, d.BackSurface, Rect{300, 300, 308, 308}, quad, Rect{0, 0, 2, 2}, kBltSourceColorKey);
  EXPECT_EQ(BackPixel(300, 300), kRed);
  EXPECT_EQ(BackPixel(303, 303), kRed);
  EXPECT_EQ(BackPixel(304, 303), kGreen);
  EXPECT_EQ(BackPixel(307, 300), kGreen);
  EXPECT_EQ(BackPixel(300, 304), kYellow);
  EXPECT_EQ(BackPixel(304, 304), kBlue) << "keyed stretch skips black";
  EXPECT_EQ(BackPixel(308, 300), kBlue);
  BltStretch(g.display, d.BackSurface, Rect{320, 300, 340, 305}, quad, Rect{0, 0, 2, 2}, 0);
  EXPECT_EQ(BackPixel(335, 304), 0u) << "plain stretch copies black";
  EXPECT_EQ(BackPixel(329, 302), kRed);
  // Inverted or out-of-range rectangles draw nothing.
  BltStretch(g.display, d.BackSurface, Rect{400, 400, 420, 420}, quad, Rect{2, 2, 0, 0}, 0);
  BltStretch(g.display, d.BackSurface, Rect{400, 400, 420, 420}, quad, Rect{0, 0, 3, 3}, 0);
  EXPECT_EQ(BackPixel(410, 410), kBlue);
  ReleaseSurface(quad);

  Surface colour;
  ASSERT_TRUE(CreateSurface(g.display, colour, 640, 480, false));
  FillSurface(g.display, colour, nullptr, 0xC86400);  // (200, 100, 0)
  Rect corner{0, 0, 1, 1};
  FillSurface(g.display, colour, &corner, 0x010000);  // grey 0: black
  GreyCopy(g, colour, 640, 480);
  auto px = ReadSurfacePixels(g, colour);
  EXPECT_EQ(px[1] & 0xFFFFFF, 0x646464u);
  EXPECT_EQ(px[640 * 479 + 639] & 0xFFFFFF, 0x646464u);
  EXPECT_EQ(px[0], 0u) << "black stays black and transparent";
  ReleaseSurface(colour);
}

TEST_F(DisplaySurface, DrawNumberCellsAndFormats) {
  EXPECT_EQ(FormatNumber(7, 3), "007");
  EXPECT_EQ(FormatNumber(-5, 3), "-005");
  EXPECT_EQ(FormatNumber(12345, 3), "12345");
  EXPECT_EQ(FormatNumber(42, 0), "042");
  EXPECT_EQ(FormatNumber(0, 1), "0");
  EXPECT_EQ(FormatNumber(-2147483647 - 1, 3), "-2147483648");

  StartDisplay();
  DisplayState& d = g.display;
  // Digit d is an 8x8 block of colour (20 * (d + 1), 255, 0).
  Surface digits;
  ASSERT_TRUE(CreateSurface(g.display, digits, 80, 8, true));
  NumberFont font;
  font.advance = 10;
  for (int i = 0; i < 10; ++i) {
    font.rects[i] = Rect{8 * i, 0, 8 * i + 8, 8};
    FillSurface(g.display, digits, &font.rects[i], (static_cast<uint32_t>(20 * (i + 1)) << 16) | 0xFF00);
  }
  auto digit_colour = [](int i) { return (static_cast<uint32_t>(20 * (i + 1)) << 16) | 0xFF00; };
  FillSurface(g.display, d.BackSurface, nullptr, kBlue);
  DrawNumber(g, font, 400, 400, -5, 3, &digits);
  EXPECT_EQ(BackPixel(400, 400), kBlue) << "the minus sign's cell is empty";
  EXPECT_EQ(BackPixel(407, 407), kBlue);
  EXPECT_EQ(BackPixel(410, 400), digit_colour(0));
  EXPECT_EQ(BackPixel(420, 400), digit_colour(0));
  EXPECT_EQ(BackPixel(430, 400), digit_colour(5));
  EXPECT_EQ(BackPixel(440, 400), kBlue);
  // Digits 0 means 3; the default source is SongSelectObjSurface.
  g.screens.SongSelectObjSurface = digits;
  digits = Surface{};
  DrawNumber(g, font, 100, 100, 7, 0);
  EXPECT_EQ(BackPixel(100, 100), digit_colour(0));
  EXPECT_EQ(BackPixel(110, 100), digit_colour(0));
  EXPECT_EQ(BackPixel(120, 100), digit_colour(7));
  DrawNumber(g, font, 600, 200, 12345, 3);
  EXPECT_EQ(BackPixel(600, 200), digit_colour(1));
  EXPECT_EQ(BackPixel(630, 200), digit_colour(4));
  EXPECT_EQ(BackPixel(639, 200), kBlue) << "the fifth digit would start at 640";
}

TEST_F(DisplaySurface, TrueTypeTextJapaneseAndOpaqueGraphText) {
  StartDisplay();
  DisplayState& d = g.display;
  EXPECT_NE(Log().find("ipagp.ttf"), std::string::npos) << "the default face is IPA P Gothic";
  EXPECT_LE(GdiFontHeight(g, GdiFont::Status), 10);
  EXPECT_GE(GdiFontHeight(g, GdiFont::Status), 8);
  EXPECT_LE(GdiFontHeight(g, GdiFont::Title), 26);
  EXPECT_GT(GdiFontHeight(g, GdiFont::Title), 20);
  int one = GdiTextWidth(g, GdiFont::List1, "日");
  EXPECT_GT(one, 5);
  EXPECT_GT(GdiTextWidth(g, GdiFont::List1, "日本語"), 2 * one);
  // The title font is squeezed to an average width of 9 pixels.
  EXPECT_NEAR(GdiTextWidth(g, GdiFont::Title, "abcdefghijklmnopqrstuvwxyz"), 26 * 9, 3);

  // Two different kanji give two different pictures (no missing-glyph boxes).
  FillSurface(g.display, d.BackSurface, nullptr, 0);
  int w1 = DrawGdiText(g, d.BackSurface, GdiFont::Bold16, 0, 0, "日", 0xFFFFFF);
  int w2 = DrawGdiText(g, d.BackSurface, GdiFont::Bold16, 100, 0, "本", 0xFFFFFF);
  EXPECT_GT(w1, 0);
  EXPECT_GT(w2, 0);
  auto px = ReadSurfacePixels(g, d.BackSurface);
  int lit = 0, differ = 0;
  std::set<uint32_t> colours;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      uint32_t a = px[y * 640 + x] & 0xFFFFFF, b = px[y * 640 + 100 + x] & 0xFFFFFF;
      lit += a != 0;
      differ += a != b;
      colours.insert(a);
    }
  EXPECT_GT(lit, 20);
  EXPECT_GT(differ, 10);
  EXPECT_EQ(colours, (std::set<uint32_t>{0, 0xFFFFFF})) << "text pixels are the text colour or untouched";

  // GraphSurface text is opaque: black text on RGB(0,128,0). Black is the key,
  // so a keyed copy shows the background through the letters.
  DrawSurfaceText(g, d.GraphSurface, 0, 0, "GRAPH 88");
  FillSurface(g.display, d.BackSurface, nullptr, kBlue);
  BltClipped(g.display, d.BackSurface, d.ScreenRect, 0, 0, d.GraphSurface, Rect{0, 0, 300, 203}, kBltSourceColorKey);
  px = ReadSurfacePixels(g, d.BackSurface);
  int green = 0, blue_inside = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 40; ++x) {
      uint32_t c = px[y * 640 + x] & 0xFFFFFF;
      green += c == 0x008000;
      blue_inside += c == kBlue;
    }
  EXPECT_GT(green, 100);
  EXPECT_GT(blue_inside, 10);
  EXPECT_EQ(px[100 * 640 + 100] & 0xFFFFFF, kBlue) << "the rest of the graph is black: keyed out";

  // Control characters and empty text draw nothing and do not fail.
  EXPECT_EQ(DrawGdiText(g, d.BackSurface, GdiFont::Status, 0, 0, "", 0xFFFFFF), 0);
  EXPECT_EQ(DrawGdiText(g, d.BackSurface, GdiFont::Status, 0, 0, "\r\n", 0xFFFFFF), 0);
}

}  // namespace kvx::test
