// The skin image and the generated default skin, on a headless display. The
// default-skin test also composes a play-screen picture from the skin and
// writes it to /tmp/korvex-skin.png for a look.
#include <SDL.h>
#include <SDL_image.h>

#include "display_fixture.h"
#include "app/skin_loading.h"
#include "media/skin.h"

namespace kvx {
namespace {

using test::DisplayFixture;

class SkinImage : public DisplayFixture {
 protected:
  size_t Count(const std::string& s) {
    std::string log = Log();
    size_t n = 0;
    for (size_t at = log.find(s); at != std::string::npos; at = log.find(s, at + 1)) ++n;
    return n;
  }
  void WriteBmp(const std::string& relative, int w, int h, uint32_t rgb) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 24, SDL_PIXELFORMAT_RGB24);
    ASSERT_NE(s, nullptr);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, rgb >> 16, (rgb >> 8) & 255, rgb & 255));
    std::string path = folder.path() + "/" + relative;
    MakeFolder(FolderOf(path));
    ASSERT_EQ(SDL_SaveBMP(s, path.c_str()), 0);
    SDL_FreeSurface(s);
  }
};

TEST_F(SkinImage, FileLoadsTheImageAndMissingImageLeavesNone) {
  StartDisplay();
  WriteBmp("_kvxfiles/Skins/Art.bmp", 64, 32, 0x336699);
  std::string skin = folder.Write("_kvxfiles/s.brd", "#FILE skins\\art.BMP\r\n#BGA 0,0,128,64\r\n");
  LoadRectData(g, skin);
  ASSERT_TRUE(g.display.SkinSurface.Valid());
  EXPECT_EQ(g.display.SkinSurface.width, 64);
  EXPECT_EQ(g.display.SkinSurface.height, 32);
  EXPECT_TRUE(g.display.SkinSurface.color_key);
  EXPECT_EQ(Count("[LoadRect] Object Surface created. VRAM FREE:"), 1u);
  // The background surface follows the skin's size.
  EXPECT_EQ(g.display.BgaSurface.width, 128);
  EXPECT_EQ(g.display.BgaSurface.height, 64);

  std::string broken = folder.Write("_kvxfiles/t.brd", "#FILE gone.png\r\n");
  LoadRectData(g, broken);
  EXPECT_FALSE(g.display.SkinSurface.Valid());
  EXPECT_EQ(Count("# Skin image can't be loaded: "), 1u);
  EXPECT_EQ(g.display.BgaSurface.width, 256);
}

TEST_F(SkinImage, GeneratedDefaultSkinIsComplete) {
  StartDisplay();
  std::string path = std::string(KVX_BUILD_DIR) + "/_kvxfiles/kvx_scr.brd";
  ASSERT_TRUE(FileExists(path)) << path;
  LoadRectData(g, path);
  EXPECT_EQ(Count("# Skin"), 0u) << Log();
  ASSERT_TRUE(g.display.SkinSurface.Valid());
  const SkinLayout& s = g.skin;
  const Surface& img = g.display.SkinSurface;
  auto inside = [&](const Rect& r) {
    return r.left >= 0 && r.top >= 0 && r.right <= img.width && r.bottom <= img.height && r.right > r.left &&
           r.bottom > r.top;
  };
  for (int side = 0; side < 2; ++side) {
    int x_before = -1;
    for (int ch : {16, 11, 12, 13, 14, 15, 18, 19}) {
      int lane = ch + side * 10;
      SCOPED_TRACE(lane);
      const auto& k = s.KeyDefs[lane];
      EXPECT_TRUE(inside(SkinObjRect(s, k[0])));       // note
      EXPECT_TRUE(inside(SkinObjRect(s, k[3])));       // beam
      EXPECT_TRUE(inside(SkinObjRect(s, k[0] + 10)));  // pressed key
      EXPECT_TRUE(inside(SkinObjRect(s, k[0] + 20)));  // judgement-line piece
      EXPECT_EQ(SkinObjWidth(s, k[0]), SkinObjWidth(s, k[0] + 10));
      if (side == 0) {
        EXPECT_GT(k[1], x_before);  // lanes run left to right, scratch first
        x_before = k[1] + SkinObjWidth(s, k[0]);
      }
    }
    EXPECT_EQ(s.KeyDefs[17 + side * 10], s.KeyDefs[16 + side * 10]);
    EXPECT_TRUE(inside(SkinObjRect(s, s.KeyDefs[10 + side * 10][0])));  // bar line
    EXPECT_TRUE(inside(SkinObjRect(s, s.KeyPanelObj[side])));
    EXPECT_TRUE(inside(SkinObjRect(s, s.BasePanelObj[side])));
  }
  for (const Rect& r : s.JudgeRects) EXPECT_TRUE(inside(r));
  for (const Rect& r : s.FGreatFrames) EXPECT_TRUE(inside(r));
  for (const Rect& r : s.BombFrames) EXPECT_TRUE(inside(r));
  for (const Rect& r : s.ClassStrRects) EXPECT_TRUE(inside(r));
  for (const Rect& r : s.NumRects) EXPECT_TRUE(inside(r));
  for (const Rect& r : s.PtsNumRects) EXPECT_TRUE(inside(r));
  for (const Rect& r : s.PerNumRects) EXPECT_TRUE(inside(r));
  for (int c = 33; c <= 126; ++c) EXPECT_TRUE(inside(g.display.GlyphRects[c - 32])) << c;
  for (const Rect& r : {s.GaugeRects[0], s.GaugeRects[1], s.ExGaugeRect, s.ExGaugeBgRect, s.LenGraphRect,
                        s.NetBaseRect, s.MaxComboRect, s.NoMissRect, s.ComboGraphRect, s.ClassRect, s.BgLineRect})
    EXPECT_TRUE(inside(r));
  EXPECT_EQ(s.BombFrameCount, 8);
  EXPECT_GT(s.GaugeStep, 0);
  EXPECT_GT(s.GaugeUnit, 0);
  EXPECT_EQ(g.display.CharWidth, 8);
  EXPECT_EQ(s.KeyPanelY[0], 400);
  EXPECT_LE(s.BgaX + s.BgaWidth, 640);
  EXPECT_EQ(s.LaneAreaRect.left, s.KeyDefs[19][1] + SkinObjWidth(s, s.KeyDefs[19][0]));

  // A play-screen picture from the skin: panels, notes, beams, a bomb, the
  // judgement, gauges, digits and text.
  Surface& back = g.display.BackSurface;
  Surface& skin = g.display.SkinSurface;
  FillSurface(g.display, back, nullptr, 0);
  const Rect screen{0, 0, 640, 480};
  auto obj = [&](int o, int x, int y) { BltClipped(g.display, back, screen, x, y, skin, SkinObjRect(s, o), kBltSourceColorKey); };
  auto part = [&](const Rect& r, int x, int y) { BltClipped(g.display, back, screen, x, y, skin, r, kBltSourceColorKey); };
  const int judgeY = s.KeyPanelY[0];
  for (int ch : {11, 13, 16}) {  // key beams, scaled to 70 %
    const auto& k = s.KeyDefs[ch];
    Rect beam = SkinObjRect(s, k[3]);
    int h = beam.Height() * 7 / 10;
    BltStretch(g.display, back, Rect{k[1], judgeY - h, k[1] + beam.Width(), judgeY}, skin, beam, kBltSourceColorKey);
    obj(k[0] + 10, k[1], judgeY);
  }
  for (int ch = 11; ch <= 19; ++ch) obj(s.KeyDefs[ch][0] + 20, s.KeyDefs[ch][1], judgeY - 5);
  for (int bar = 0; bar < 3; ++bar) obj(s.KeyDefs[10][0], s.KeyDefs[10][1], 40 + bar * 140);
  int y = 360;
  for (int ch : {16, 11, 12, 13, 14, 15, 18, 19, 13, 15, 11, 12, 16, 14, 19, 18}) {
    obj(s.KeyDefs[ch][0], s.KeyDefs[ch][1], y);
    y -= 22;
  }
  obj(s.BasePanelObj[0], s.BasePanelX[0], s.BasePanelY[0]);
  obj(s.KeyPanelObj[0], s.KeyPanelX[0], s.KeyPanelY[0]);
  part(s.GaugeRects[1], s.GaugePosX[0], s.GaugePosY[0]);
  Rect bar = s.GaugeRects[0];
  bar.right = bar.left + static_cast<int>(72 * s.GaugeUnit) / s.GaugeStep * s.GaugeStep;
  part(bar, s.GaugePosX[0], s.GaugePosY[0]);
  part(s.BombFrames[2], s.KeyDefs[13][1] + s.BombOffsetX, judgeY + s.BombOffsetY);
  Rect word = s.FGreatFrames[1];
  int wx = s.JudgePosX[0] - (word.Width() + 3 * s.NumAdvance) / 2;
  part(word, wx, s.JudgePosY[0]);
  for (int i = 0; i < 3; ++i) part(s.NumRects[(i + 1) * 2], wx + word.Width() + i * s.NumAdvance, s.JudgePosY[0]);
  DrawNumber(g, s.PercentFont, s.PerPosX[0], s.PerPosY[0], 72, 3, &skin);
  NumberFont pts;
  pts.advance = s.PtsNumAdvance;
  for (int d = 0; d < 10; ++d) pts.rects[d] = s.PtsNumRects[d];
  DrawNumber(g, pts, s.PtsPosX[0], s.PtsPosY[0], 123456, 6, &skin);
  DrawNumber(g, pts, s.JPtsPosX[0], s.JPtsPosY[0], 4321, 5, &skin);
  part(s.ClassStrRects[2], 275, 428);
  const Rect bga{s.BgaX, s.BgaY, s.BgaX + s.BgaWidth, s.BgaY + s.BgaHeight};
  FillSurface(g.display, back, &bga, 0x203050);
  DrawFontText(g, 220, 400, "Hi-SPEED: 1.5x");
  DrawFontText(g, 220, 415, "TIME: 00:42 / 01:24");
  DrawFontText(g, 232, 300, "The quick brown fox jumps over 13 lazy dogs! {[()]} @#$%&*");

  auto pixels = ReadSurfacePixels(g, back);
  ASSERT_EQ(pixels.size(), 640u * 480u);
  // A white note of lane 11 at y 338 (the second note from the bottom) is bright.
  uint32_t note = pixels[static_cast<size_t>(338 + 4) * 640 + s.KeyDefs[11][1] + 10] & 0xFFFFFF;
  EXPECT_GT((note >> 16) & 255, 150u);
  SDL_Surface* out = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), 640, 480, 32, 640 * 4, SDL_PIXELFORMAT_ARGB8888);
  ASSERT_NE(out, nullptr);
  SDL_Surface* opaque = SDL_ConvertSurfaceFormat(out, SDL_PIXELFORMAT_RGB24, 0);
  EXPECT_EQ(IMG_SavePNG(opaque, "/tmp/korvex-skin.png"), 0);
  SDL_FreeSurface(opaque);
  SDL_FreeSurface(out);
}

}  // namespace
}  // namespace kvx
