// Picture files: the size in each format's header is read before decoding,
// and a picture claiming more than the limits is refused undecoded.
#include "media/picture_file.h"

#include <SDL.h>
#include <SDL_image.h>

#include <chrono>

#include "display_fixture.h"

namespace kvx::test {
namespace {

void PutLe(std::string& b, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}
void PutBe16(std::string& b, size_t at, uint32_t v) {
  b[at] = static_cast<char>(v >> 8);
  b[at + 1] = static_cast<char>(v);
}
void PutBe32(std::string& b, size_t at, uint32_t v) {
  PutBe16(b, at, v >> 16);
  PutBe16(b, at + 2, v & 0xFFFF);
}

// A BMP header claiming width x height, padded to `size` bytes.
std::string BmpClaiming(int32_t width, int32_t height, size_t size = 154) {
  std::string b(std::max<size_t>(size, 54), '\0');
  b[0] = 'B', b[1] = 'M';
  PutLe(b, 2, static_cast<uint32_t>(b.size()), 4);
  PutLe(b, 10, 54, 4);
  PutLe(b, 14, 40, 4);
  PutLe(b, 18, static_cast<uint32_t>(width), 4);
  PutLe(b, 22, static_cast<uint32_t>(height), 4);
  PutLe(b, 26, 1, 2);
  PutLe(b, 28, 24, 2);
  return b;
}

// A 3x2 picture saved by SDL in one of its writers' formats.
std::string Saved(const TempFolder& dir, const std::string& name) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 3, 2, 32, SDL_PIXELFORMAT_ARGB8888);
  SDL_FillRect(s, nullptr, 0xFF8040C0);
  const std::string path = dir.path() + "/" + name;
  if (name.ends_with(".bmp")) SDL_SaveBMP(s, path.c_str());
  if (name.ends_with(".png")) IMG_SavePNG(s, path.c_str());
  if (name.ends_with(".jpg")) IMG_SaveJPG(s, path.c_str(), 90);
  SDL_FreeSurface(s);
  return ReadFileBytes(path).value_or("");
}

// A 1x1 GIF (two colours, one frame).
std::string Gif() {
  return std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xFF\xFF\xFF"
                     "\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3B",
                     35);
}

// A 2x1 uncompressed true-colour TGA, stored top-down.
std::string Tga() {
  std::string b(18, '\0');
  b[2] = 2;
  PutLe(b, 12, 2, 2);
  PutLe(b, 14, 1, 2);
  b[16] = 24;
  b[17] = 0x20;
  return b + std::string("\x10\x20\x30\x40\x50\x60", 6);
}

struct Decoded {
  int w = -1, h = -1;
  std::string why;
};

Decoded Decode(std::string_view bytes, std::string_view name, PictureLimits limits = {}) {
  Decoded d;
  if (SDL_Surface* s = DecodePicture(bytes, name, limits, d.why)) {
    d.w = s->w, d.h = s->h;
    SDL_FreeSurface(s);
  }
  return d;
}

TEST(PictureFile, EveryFormatsHeaderSizeIsReadAndAHugeClaimIsRefusedUndecoded) {
  TempFolder dir;
  std::string bmp = Saved(dir, "a.bmp"), png = Saved(dir, "a.png"), jpg = Saved(dir, "a.jpg");
  const std::string gif = Gif(), tga = Tga();
  struct Case {
    std::string bytes, name;
    PictureFormat format;
    int w, h;
  };
  std::vector<Case> cases = {{bmp, "a.bmp", PictureFormat::Bmp, 3, 2},  {png, "a.png", PictureFormat::Png, 3, 2},
                             {jpg, "a.jpg", PictureFormat::Jpeg, 3, 2}, {gif, "a.gif", PictureFormat::Gif, 1, 1},
                             {tga, "a.TGA", PictureFormat::Tga, 2, 1}};
  for (const Case& c : cases) {
    auto header = ReadPictureHeader(c.bytes, c.name);
    ASSERT_TRUE(header) << c.name;
    EXPECT_EQ(header->format, c.format) << c.name;
    EXPECT_EQ(header->width, c.w) << c.name;
    EXPECT_EQ(header->height, c.h) << c.name;
    Decoded d = Decode(c.bytes, c.name);
    EXPECT_EQ(d.w, c.w) << c.name << ": " << d.why;
    EXPECT_EQ(d.h, c.h) << c.name;
  }
  // The same files claiming 20000x20000: refused at once.
  PutLe(bmp, 18, 20000, 4);
  PutLe(bmp, 22, static_cast<uint32_t>(-20000), 4);  // stored top-down
  PutBe32(png, 16, 20000);
  PutBe32(png, 20, 20000);
  const size_t sof = jpg.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  PutBe16(jpg, sof + 5, 20000);
  PutBe16(jpg, sof + 7, 20000);
  std::string gifFrame = gif;  // the screen stays 1x1, the frame is huge
  PutLe(gifFrame, 19 + 5, 20000, 2);
  PutLe(gifFrame, 19 + 7, 20000, 2);
  std::string tgaHuge = tga;
  PutLe(tgaHuge, 12, 20000, 2);
  PutLe(tgaHuge, 14, 20000, 2);
  const auto start = std::chrono::steady_clock::now();
  for (const auto& [bytes, name] : std::vector<std::pair<std::string, std::string>>{
           {bmp, "a.bmp"}, {png, "a.png"}, {jpg, "a.jpg"}, {gifFrame, "a.gif"}, {tgaHuge, "a.tga"}}) {
    Decoded d = Decode(bytes, name);
    EXPECT_EQ(d.w, -1) << name;
    EXPECT_EQ(d.why, "20000x20000 is too large: at most 8192 on a side and 33554432 pixels") << name;
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  // Within 8192 a side but over 32 megapixels; the limits' edges.
  EXPECT_EQ(Decode(BmpClaiming(8000, 8000), "x.bmp").why,
            "8000x8000 is too large: at most 8192 on a side and 33554432 pixels");
  EXPECT_EQ(Decode(Saved(dir, "b.bmp"), "b.bmp", PictureLimits{3, 6}).w, 3);
  EXPECT_NE(Decode(Saved(dir, "b.bmp"), "b.bmp", PictureLimits{2, 100}).why.find("too large"), std::string::npos);
  EXPECT_NE(Decode(Saved(dir, "b.bmp"), "b.bmp", PictureLimits{100, 5}).why.find("too large"), std::string::npos);
  // Not a picture of these formats, cut short, or claiming no pixels.
  EXPECT_EQ(Decode("hello", "x.bmp").why, "not a BMP, PNG, JPEG, GIF or TGA picture");
  EXPECT_EQ(Decode(tga, "x.pcx").why, "not a BMP, PNG, JPEG, GIF or TGA picture");
  EXPECT_EQ(Decode(bmp.substr(0, 20), "x.bmp").why, "not a BMP, PNG, JPEG, GIF or TGA picture");
  EXPECT_EQ(Decode(BmpClaiming(0, 5), "x.bmp").why, "the picture claims a size of 0x5");
  // A stray byte before a huge frame: the decoder skips it and reads the frame, so the scan does too.
  std::string gifStray = gifFrame;
  gifStray.insert(19, 1, '\x07');
  EXPECT_EQ(Decode(gifStray, "a.gif").why, "20000x20000 is too large: at most 8192 on a side and 33554432 pixels");
  // A GIF with an extension but no frame: the decoder fails without an error of its own.
  const std::string noFrame("GIF89a\x02\x00\x02\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff"
                            "\x21\xf9\x04\x00\x27\x00\x67\x00\x02\x02\x44\x01\x00\xff\x3b",
                            34);
  EXPECT_EQ(Decode(noFrame, "x.gif").why, "the picture's data cannot be decoded");
  EXPECT_EQ(Decode(BmpClaiming(-3, 5), "x.bmp").why, "the picture claims a size of -3x5");
}

using PictureLoad = DisplayFixture;

// The loader of every picture (background, stage, banner, skin) checks the
// claimed size before decoding and logs the refusal.
TEST_F(PictureLoad, ATinyFileClaimingAHugePictureIsRefusedWithALogLine) {
  StartDisplay();
  const std::string path = folder.Write("songs/huge.bmp", BmpClaiming(20000, 20000));
  Surface s;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(LoadSurfaceFromFile(g.Services(), g.display, s, path, true));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_FALSE(s.Valid());
  EXPECT_NE(Log().find("Error : can't load image : " + path +
                       " (20000x20000 is too large: at most 8192 on a side and 33554432 pixels)"),
            std::string::npos)
      << Log();
}

}  // namespace
}  // namespace kvx::test
