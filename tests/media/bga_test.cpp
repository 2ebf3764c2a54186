// Background animation images: loading, composition, the poor picture and
// the tile modes, checked on the pixels of BgaSurface and BackSurface.
#include <SDL.h>
#include <SDL_image.h>

#include "display_fixture.h"
#include "chart/ready_bms.h"
#include "media/bga.h"
#include "play/play_loop_links.h"

namespace kvx::test {
namespace {

// Writes a BMP of w x h in `rgb`, with an optional single pixel of another colour.
std::string WriteImage(const std::string& path, int w, int h, uint32_t rgb, int px = -1, int py = -1,
                       uint32_t pixel = 0) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
  SDL_FillRect(s, nullptr, 0xFF000000u | rgb);
  if (px >= 0) {
    SDL_Rect r{px, py, 1, 1};
    SDL_FillRect(s, &r, 0xFF000000u | pixel);
  }
  SDL_SaveBMP(s, path.c_str());
  SDL_FreeSurface(s);
  return path;
}

class Bga : public DisplayFixture {
 protected:
  void SetUp() override {
    DisplayFixture::SetUp();
    StartDisplay();
    g.chart.ChartFolder = folder.path() + "/";
  }
  std::string Image(const std::string& name, int w, int h, uint32_t rgb, int px = -1, int py = -1,
                    uint32_t pixel = 0) {
    return WriteImage(folder.path() + "/" + name, w, h, rgb, px, py, pixel);
  }
  void Define(int n, const std::string& name) { g.chart.BmpFile[n] = folder.path() + "/" + name; }
  uint32_t BgaPixel(int x, int y) {
    auto pixels = ReadSurfacePixels(g, g.display.BgaSurface);
    if (pixels.empty()) return 0xDEADBEEF;
    return pixels[static_cast<size_t>(y) * g.display.BgaSurface.width + x] & 0xFFFFFF;
  }
};

TEST_F(Bga, BaseIsCentredAndLayerBlackIsTransparent) {
  Image("base.bmp", 160, 120, kRed);
  Image("layer.bmp", 64, 64, kGreen, 10, 10, 0);
  Define(1, "base.bmp");
  Define(2, "layer.bmp");
  LoadBmp(g, 1);
  LoadBmp(g, 2);
  EXPECT_EQ(g.bga.BmpRect[1], (Rect{0, 0, 160, 120}));
  SetBgaImage(g, 0, 1, false);
  SetBgaImage(g, 1, 2, false);
  EXPECT_TRUE(g.bga.BgaDirty);
  ComposeBga(g);
  EXPECT_EQ(BgaPixel(47, 0), 0u);
  EXPECT_EQ(BgaPixel(48, 0), kRed);
  EXPECT_EQ(BgaPixel(207, 119), kRed);
  EXPECT_EQ(BgaPixel(208, 0), 0u);
  EXPECT_EQ(BgaPixel(48, 120), 0u);
  // The layer sits at (96, 0); its black pixel shows the base beneath.
  EXPECT_EQ(BgaPixel(96, 0), kGreen);
  EXPECT_EQ(BgaPixel(106, 10), kRed);
  EXPECT_EQ(BgaPixel(159, 63), kGreen);
  // A picture wider than 256 is clipped on both sides instead of refused.
  Image("wide.bmp", 300, 10, kBlue);
  Define(3, "wide.bmp");
  LoadBmp(g, 3);
  SetBgaImage(g, 1, -1, false);
  SetBgaImage(g, 0, 3, false);
  ComposeBga(g);
  EXPECT_EQ(BgaPixel(0, 0), kBlue);
  EXPECT_EQ(BgaPixel(255, 9), kBlue);
  EXPECT_EQ(BgaPixel(0, 10), 0u);
}

TEST_F(Bga, SameFileForTheSameNumberIsLoadedOnce) {
  Image("three.bmp", 16, 16, kRed);
  Define(3, "three.bmp");
  LoadBmp(g, 3);
  ASSERT_TRUE(g.display.MessageLine.visible);
  const std::string& text = g.display.MessageLine.text;
  EXPECT_EQ(text.rfind("BGA LOAD: 3 (in ", 0), 0u) << text;
  EXPECT_EQ(text.substr(text.size() - 3), "ms)");
  SDL_Texture* first = g.bga.BmpSurface[3].texture;

  // The next chart names the same file for number 3.
  g.display.MessageLine = {};
  ClearImageLoadFlags(g);
  Define(3, "three.bmp");
  LoadBmp(g, 3);
  ReleaseChangedImages(g);
  EXPECT_FALSE(g.display.MessageLine.visible);
  EXPECT_EQ(g.bga.BmpSurface[3].texture, first);

  // A chart that names another file (or none) for it releases the picture.
  ClearImageLoadFlags(g);
  g.chart.BmpFile[3].clear();
  ReleaseChangedImages(g);
  EXPECT_FALSE(g.bga.BmpSurface[3].Valid());
  EXPECT_EQ(g.bga.LoadedBmpFile[3], "");

  // Number 26 is shown in hexadecimal.
  Define(26, "three.bmp");
  LoadBmp(g, 26);
  EXPECT_EQ(g.display.MessageLine.text.rfind("BGA LOAD: 1A (in ", 0), 0u);
}

TEST_F(Bga, ReleaseMarksOnlyReleaseWithBmpRelease) {
  Image("a.bmp", 256, 256, kRed);
  Image("b.bmp", 32, 32, kGreen);
  Define(1, "a.bmp");
  Define(2, "b.bmp");
  LoadBmp(g, 1);
  LoadBmp(g, 2);
  g.settings.BMPRelease = 0;
  for (int i = 0; i < 3; ++i) {
    SetBgaImage(g, 0, 1, true);
    SetBgaImage(g, 1, 2, true);
    ComposeBga(g);
  }
  EXPECT_TRUE(g.bga.BmpSurface[1].Valid());
  EXPECT_TRUE(g.bga.BmpSurface[2].Valid());

  EXPECT_TRUE(g.bga.BgaReleaseMarks[0]);  // raised, but nobody consumes them

  g.settings.BMPRelease = 1;
  ResetBgaLayers(g);
  EXPECT_FALSE(g.bga.BgaReleaseMarks[0] || g.bga.BgaReleaseMarks[1]);
  g.display.MessageLine = {};
  SetBgaImage(g, 0, 1, false);
  SetBgaImage(g, 1, 2, true);
  ComposeBga(g);
  EXPECT_TRUE(g.bga.BmpSurface[1].Valid());
  EXPECT_FALSE(g.bga.BmpSurface[2].Valid());
  EXPECT_EQ(g.display.MessageLine.text, "BGA Release: 2");
  EXPECT_FALSE(g.bga.BgaReleaseMarks[1]);
  // The composed picture still holds the layer that was released after it was copied.
  EXPECT_EQ(BgaPixel(112, 0), kGreen);
  // The path is forgotten, so a later chart naming the file loads it again.
  EXPECT_EQ(g.bga.LoadedBmpFile[2], "");
  LoadBmp(g, 2);
  EXPECT_TRUE(g.bga.BmpSurface[2].Valid());
}

TEST_F(Bga, StageImageFillsWidthCentredWhenNothingIsShown) {
  ASSERT_TRUE(LoadSurfaceFromFile(g.Services(), g.display, g.display.StageImageSurface, Image("stage.bmp", 640, 480, kBlue), false));
  ResetBgaLayers(g);
  ComposeBga(g);
  EXPECT_EQ(BgaPixel(0, 31), 0u);
  EXPECT_EQ(BgaPixel(0, 32), kBlue);
  EXPECT_EQ(BgaPixel(255, 223), kBlue);
  EXPECT_EQ(BgaPixel(0, 224), 0u);
  // A tall picture fills the height, centred across.
  ASSERT_TRUE(LoadSurfaceFromFile(g.Services(), g.display, g.display.StageImageSurface, Image("tall.bmp", 100, 200, kRed), false));
  ComposeBga(g);
  EXPECT_EQ(BgaPixel(63, 0), 0u);
  EXPECT_EQ(BgaPixel(64, 0), kRed);
  EXPECT_EQ(BgaPixel(191, 255), kRed);
  EXPECT_EQ(BgaPixel(192, 0), 0u);
  // NoBGA: no composition at all.
  g.settings.NoBGA = true;
  ReleaseSurface(g.display.StageImageSurface);
  ComposeBga(g);
  EXPECT_EQ(BgaPixel(64, 0), kRed);
}

TEST_F(Bga, PoorPictureLastsOneMeasure) {
  Image("base.bmp", 256, 256, kRed);
  Image("poor.bmp", 256, 256, kYellow);
  Define(1, "base.bmp");
  Define(0, "poor.bmp");
  LoadBmp(g, 1);
  LoadBmp(g, 0);
  SetBgaImage(g, 0, 1, false);
  DrawBgaWindow(g);
  EXPECT_EQ(BackPixel(192, 128), kRed);
  EXPECT_EQ(BackPixel(447, 383), kRed);
  EXPECT_EQ(BackPixel(191, 128), 0u);

  g.judge.PoorImageShown = true;
  g.judge.PoorImagePosition = 1000;
  g.judge.BgaChanged = true;
  g.play.PlayPosition = 1100;
  SetBgaImage(g, 0, 1, false);  // a change during the poor picture waits for it
  DrawBgaWindow(g);
  EXPECT_EQ(BackPixel(192, 128), kYellow);
  g.play.PlayPosition = 1191.5;
  DrawBgaWindow(g);
  EXPECT_EQ(BackPixel(300, 300), kYellow);
  EXPECT_TRUE(g.judge.PoorImageShown);
  g.play.PlayPosition = 1192;
  DrawBgaWindow(g);
  EXPECT_FALSE(g.judge.PoorImageShown);
  EXPECT_FALSE(g.bga.BgaDirty);
  EXPECT_EQ(BackPixel(300, 300), kRed);

  // The chart's own poor image (channel 6) replaces #BMP00.
  Image("poor2.bmp", 256, 256, kGreen);
  Define(9, "poor2.bmp");
  LoadBmp(g, 9);
  SetPoorImage(g, 9);
  g.judge.PoorImageShown = true;
  g.judge.PoorImagePosition = 1192;
  DrawBgaWindow(g);
  EXPECT_EQ(BackPixel(300, 300), kGreen);
  // A later good judgement takes it away at once (the judge marks the change).
  g.judge.PoorImageShown = false;
  g.judge.BgaChanged = true;
  DrawBgaWindow(g);
  EXPECT_EQ(BackPixel(300, 300), kRed);
}

TEST_F(Bga, ScrollTilesMoveWithElapsedTime) {
  Image("mark.bmp", 256, 256, kRed, 0, 0, kGreen);
  Define(1, "mark.bmp");
  LoadBmp(g, 1);
  SetBgaImage(g, 0, 1, false);
  g.skin.TileMode = 3;
  g.skin.LaneAreaRect = Rect{0, 0, 640, 480};
  g.play.ElapsedMs = 2048 + 80;  // o = 10
  DrawBgaWindow(g);
  EXPECT_EQ(BackPixel(246, 246), kGreen);  // row 1, tile 1 at (256 - o, 256 - o)
  EXPECT_EQ(BackPixel(502, 246), kGreen);  // row 1, tile 2
  EXPECT_EQ(BackPixel(245, 246), kRed);    // row 1, tile 0's last column
  EXPECT_EQ(BackPixel(10, 0), kRed);       // row 0, tile 1 at (o, -o)
  EXPECT_EQ(BackPixel(9, 0), kRed);        // row 0, tile 0
  g.play.ElapsedMs = 2047;                 // o = 255
  DrawBgaWindow(g);
  EXPECT_EQ(BackPixel(1, 1), kGreen);      // row 1, tile 0 at (-255, 1)... tile 1 at (1, 1)
  // Drawing stays inside the lane area.
  g.skin.LaneAreaRect = Rect{100, 0, 200, 480};
  FillSurface(g.display, g.display.BackSurface, nullptr, kBlue);
  g.play.ElapsedMs = 0;
  DrawBgaWindow(g);
  EXPECT_EQ(BackPixel(99, 10), kBlue);
  EXPECT_EQ(BackPixel(100, 10), kRed);
  EXPECT_EQ(BackPixel(200, 10), kBlue);
}

TEST_F(Bga, BouncingTilesAndDelayChain) {
  Image("base.bmp", 256, 256, kRed);
  Define(1, "base.bmp");
  LoadBmp(g, 1);
  SetBgaImage(g, 0, 1, false);
  g.skin.TileMode = 1;
  DrawBgaWindow(g);
  for (int i = 0; i < kBgaTiles; ++i)
    for (int k = i + 1; k < kBgaTiles; ++k)
      EXPECT_FALSE(g.bga.Tiles[i].x == g.bga.Tiles[k].x && g.bga.Tiles[i].y == g.bga.Tiles[k].y);
  bool moved = false;
  auto start = g.bga.Tiles;
  for (int f = 0; f < 600; ++f) {
    DrawBgaWindow(g);
    for (const BgaTile& t : g.bga.Tiles) {
      ASSERT_TRUE(t.x >= 0 && t.x <= 384 && t.y >= 0 && t.y <= 224) << t.x << "," << t.y;
      ASSERT_TRUE(t.dx != 0 && t.dy != 0 && std::abs(t.dx) <= 4 && std::abs(t.dy) <= 4);
    }
  }
  for (int i = 0; i < kBgaTiles; ++i) moved |= g.bga.Tiles[i].x != start[i].x;
  EXPECT_TRUE(moved);
  EXPECT_EQ(BackPixel(g.bga.Tiles[0].x, g.bga.Tiles[0].y), kRed);

  // DELEY: tile 0 shows the picture of nine frames before.
  g.skin.TileMode = 2;
  g.bga.TilesMoving = false;
  // A pixel of tile 0 clear of the other tiles.
  auto tile0 = [&] { return BackPixel(g.bga.Tiles[0].x + 2, g.bga.Tiles[0].y + 2); };
  for (int f = 1; f <= 9; ++f) {
    FillSurface(g.display, g.display.BackSurface, nullptr, kBlue);
    DrawBgaWindow(g);
    EXPECT_EQ(tile0(), 0u) << "frame " << f;
  }
  EXPECT_EQ(g.bga.DelayChain.size(), 60u);
  DrawBgaWindow(g);
  EXPECT_EQ(tile0(), kRed);
}

TEST_F(Bga, MissingAndMisnamedFiles) {
  Define(7, "missing.bmp");
  LoadBmp(g, 7);
  EXPECT_FALSE(g.bga.BmpSurface[7].Valid());
  EXPECT_EQ(g.display.MessageLine.text, "BGA LOAD ERROR: 7 (missing.bmp)");
  EXPECT_NE(Log().find("can't load BGA 7"), std::string::npos);
  SetBgaImage(g, 0, 7, true);
  g.settings.BMPLoadmode = 1;
  g.display.MessageLine = {};
  DrawBgaWindow(g);  // not retried for this chart, nothing drawn
  EXPECT_FALSE(g.display.MessageLine.visible);
  EXPECT_EQ(BgaPixel(128, 0), 0u);

  // "\" separators, another letter case and another extension are found.
  MakeFolder(folder.path() + "/pics");
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 8, 8, 32, SDL_PIXELFORMAT_ARGB8888);
  SDL_FillRect(s, nullptr, 0xFF00FF00u);
  ASSERT_EQ(SDL_SaveBMP(s, (folder.path() + "/pics/Bg.bmp").c_str()), 0);
  SDL_FreeSurface(s);
  g.chart.BmpFile[8] = g.chart.ChartFolder + "PICS\\bg.png";
  LoadBmp(g, 8);
  EXPECT_TRUE(g.bga.BmpSurface[8].Valid());

  // BMPLoadmode 1: loaded on first display.
  Image("late.bmp", 256, 256, kYellow);
  Define(9, "late.bmp");
  SetBgaImage(g, 0, 9, false);
  DrawBgaWindow(g);
  EXPECT_TRUE(g.bga.BmpSurface[9].Valid());
  EXPECT_EQ(g.bga.PendingImages, 1);
  EXPECT_EQ(BackPixel(192, 128), kYellow);
  ClearPendingImages(g);
  EXPECT_EQ(g.bga.PendingImages, 0);
}

// Every picture is looked up like the chart's BGA pictures and sounds: a
// stage picture named title.bmp is found as Title.png (through the chart
// load, the course and song-select paths that all use LoadStageImage), and
// the fixed pictures and the skin's picture the same way.
TEST_F(Bga, StageAndFixedPicturesUseTheSameLookup) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 40, 30, 32, SDL_PIXELFORMAT_ARGB8888);
  SDL_FillRect(s, nullptr, 0xFF00FF00u);
  ASSERT_EQ(IMG_SavePNG(s, (folder.path() + "/Title.png").c_str()), 0);
  SDL_FreeSurface(s);
  LoadStageImage(g, folder.path() + "/title.bmp");
  ASSERT_TRUE(g.display.StageImageSurface.Valid());
  EXPECT_EQ(g.display.StageImageSurface.width, 40);
  EXPECT_EQ(FindPictureFile(folder.path() + "/TITLE.JPG"), folder.path() + "/Title.png");
  EXPECT_EQ(FindPictureFile(folder.path() + "/none.bmp"), std::nullopt);
  // A missing stage picture leaves the loaded one alone.
  LoadStageImage(g, folder.path() + "/none.bmp");
  EXPECT_TRUE(g.display.StageImageSurface.Valid());

  Image("ssnostg.png", 12, 12, kRed);
  Surface fixed;
  EXPECT_TRUE(LoadSurfaceFromFile(g.Services(), g.display, fixed, folder.path() + "/SSNOSTG.BMP", true));
  EXPECT_EQ(fixed.width, 12);
  ReleaseSurface(fixed);
}

}  // namespace
}  // namespace kvx::test
