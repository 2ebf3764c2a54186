// Frames on a scripted clock: the message wipe, the FPS figure, the present
// modes, the loading screen's falling tiles, display loss and the log lines.
#include <SDL.h>

#include <memory>
#include <vector>

#include "display_fixture.h"
#include "app/display_game.h"
#include "play/play_state.h"

namespace kvx::test {

using DisplayFrame = DisplayFixture;

namespace {

void WriteBmp(const std::string& path, int w, int h, uint32_t rgb) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
  SDL_FillRect(s, nullptr, 0xFF000000u | rgb);
  SDL_SaveBMP(s, path.c_str());
  SDL_FreeSurface(s);
}

// A scripted clock that stands for the wall clock: frames are paced on it,
// and every sleep is recorded.
class WallClockStandIn : public ScriptedClock {
 public:
  using ScriptedClock::ScriptedClock;
  bool RealTime() const override { return true; }
  void SleepMs(uint32_t ms) override {
    sleeps.push_back(ms);
    ScriptedClock::SleepMs(ms);
  }
  std::vector<uint32_t> sleeps;
};

}  // namespace

// Without vsync (the dummy display has no window) each frame sleeps to the
// 60 Hz budget: idle frames come 16-17 ms apart, a slow frame does not make
// the next ones hurry; the loading screen's frames too.
TEST_F(DisplayFrame, FramesArePacedToSixtyHertzWithoutVSync) {
  auto paced = std::make_unique<WallClockStandIn>(10000, 1);
  WallClockStandIn* wall = paced.get();
  g.UseClock(std::move(paced));
  clock = wall;
  StartDisplay();
  PresentFrame(g);  // the schedule starts here
  const uint32_t start = g.NowMs();
  for (int i = 0; i < 60; ++i) PresentFrame(g);
  EXPECT_NEAR(static_cast<double>(g.NowMs() - start), 1000.0, 1.5);
  uint32_t previous = g.NowMs();
  wall->Advance(50);  // a slow frame
  PresentFrame(g);
  EXPECT_EQ(g.NowMs() - previous, 51u) << "late: no sleep";
  previous = g.NowMs();
  PresentFrame(g);
  EXPECT_GE(g.NowMs() - previous, 16u) << "the schedule starts again";
  EXPECT_LE(g.NowMs() - previous, 17u);
  // The loading screen's frames (no vsync asked) are paced alike.
  previous = g.NowMs();
  PresentFrame(g, true);
  EXPECT_GE(g.NowMs() - previous, 16u);
  EXPECT_LE(g.NowMs() - previous, 17u);
  EXPECT_EQ(wall->sleeps.back(), g.NowMs() - previous - 1) << "the zero sleep, then the rest of the frame";
  // (A scripted clock is never paced: see FpsIsMeasuredAtMostEvery200ms.)
}

TEST_F(DisplayFrame, MessageWipesFromTheLeftAfterOneSecond) {
  StartDisplay();
  MakeGlyphFont();
  g.app.GameState = Screen::SongList;
  clock->Set(0);
  ShowMessage(g.display, g.NowMs(), "ABCDEFGHIJ");
  auto frame_at = [&](uint32_t t) {
    clock->Set(t);
    PresentFrame(g);
    return g.display.MessageLine.text;
  };
  EXPECT_EQ(frame_at(1000), "ABCDEFGHIJ");
  EXPECT_EQ(BackPixel(0, 465), kRed) << "drawn at (0, 465) outside play";
  EXPECT_EQ(frame_at(1100), "ABCDEFGHIJ");
  EXPECT_EQ(frame_at(1199), "ABCDEFGHIJ");
  EXPECT_EQ(frame_at(1200), "BCDEFGHIJ");
  EXPECT_EQ(frame_at(1300), "DEFGHIJ") << "n = 3 drops two";
  EXPECT_EQ(frame_at(1500), "HIJ") << "n = 5 drops four";
  EXPECT_TRUE(g.display.MessageLine.visible);
  EXPECT_EQ(frame_at(1600), "");
  EXPECT_FALSE(g.display.MessageLine.visible);

  // Characters, not bytes, are wiped; in play the line is at (220, 385).
  g.app.GameState = Screen::Play;
  clock->Set(5000);
  ShowMessage(g.display, g.NowMs(), "AあいうA");
  FillSurface(g.display, g.display.BackSurface, nullptr, 0);
  EXPECT_EQ(frame_at(6000), "AあいうA");
  EXPECT_EQ(BackPixel(220, 385), kRed);
  EXPECT_EQ(BackPixel(0, 465), 0u);
  EXPECT_EQ(frame_at(6200), "あいうA");
  EXPECT_EQ(frame_at(6300), "うA");
  // A new message replaces the old one and starts its own second.
  clock->Set(7000);
  ShowMessage(g.display, g.NowMs(), "NEW");
  EXPECT_EQ(frame_at(8199), "NEW");
}

// While a chart loads (GameState 3, the loading screen's no-wait frames) the
// message goes to the bottom line: where play shows it, the loading screen
// shows "NOW LOADING" (200, 400 - CharHeight).
TEST_F(DisplayFrame, LoadingScreenMessageKeepsClearOfNowLoading) {
  StartDisplay();
  MakeGlyphFont();
  g.app.GameState = Screen::Play;
  ShowMessage(g.display, g.NowMs(), "AAAA");
  FillSurface(g.display, g.display.BackSurface, nullptr, 0);
  PresentFrame(g, true);
  EXPECT_EQ(BackPixel(0, 465), kRed);
  EXPECT_EQ(BackPixel(220, 385), 0u);
  // On the bottom line a long message stops short of the FPS figure (x 310).
  ShowMessage(g.display, g.NowMs(), std::string(60, 'A'));
  FillSurface(g.display, g.display.BackSurface, nullptr, 0);
  PresentFrame(g, true);
  EXPECT_EQ(BackPixel(16 * 17 + 2, 470), kRed);  // the 18th character
  EXPECT_EQ(BackPixel(16 * 18 + 2, 470), 0u);
  EXPECT_EQ(BackPixel(16 * 19 + 2, 470), 0u);
  // In play itself the message stays at (220, 385).
  FillSurface(g.display, g.display.BackSurface, nullptr, 0);
  PresentFrame(g);
  EXPECT_EQ(BackPixel(220, 385), kRed);
}

TEST_F(DisplayFrame, FpsIsMeasuredAtMostEvery200ms) {
  StartDisplay();
  EXPECT_EQ(MeasuredFps(g.display), 60.0) << "before the first measurement";
  clock->Set(0);
  clock->SetFrameStep(10);  // each frame's zero sleep moves the clock 10 ms
  for (int i = 0; i < 19; ++i) PresentFrame(g);
  EXPECT_EQ(g.display.FpsCounter.fps, 0.0);
  PresentFrame(g);  // 200 ms
  EXPECT_DOUBLE_EQ(g.display.FpsCounter.fps, 100.0);
  clock->SetFrameStep(5);
  for (int i = 0; i < 39; ++i) PresentFrame(g);
  EXPECT_DOUBLE_EQ(g.display.FpsCounter.fps, 100.0) << "not re-measured before 200 ms";
  PresentFrame(g);  // 400 ms
  EXPECT_DOUBLE_EQ(g.display.FpsCounter.fps, 200.0);
  EXPECT_DOUBLE_EQ(MeasuredFps(g.display), 200.0);
  // The Sleep setting is slept each frame.
  g.settings.Sleep = 7;
  uint32_t before = g.NowMs();
  PresentFrame(g);
  EXPECT_EQ(g.NowMs() - before, 7u);
  EXPECT_EQ(g.display.frames_presented, 61u);
}

TEST_F(DisplayFrame, PresentModesFollowDirectBltAndNoVSync) {
  StartDisplay();
  g.settings.DirectBlt = true;
  g.settings.NOVSync = false;
  PresentFrame(g);
  EXPECT_EQ(g.display.last_present, PresentMode::BltAfterVBlank);
  PresentFrame(g, true);
  EXPECT_EQ(g.display.last_present, PresentMode::Blt);
  g.settings.DirectBlt = false;
  g.settings.NOVSync = true;
  PresentFrame(g);
  EXPECT_EQ(g.display.last_present, PresentMode::FlipNoVSync);
  g.settings.NOVSync = false;
  PresentFrame(g);
  EXPECT_EQ(g.display.last_present, PresentMode::Flip);
  PresentFrame(g, true);
  EXPECT_EQ(g.display.last_present, PresentMode::FlipNoVSync);
  // Timers run inside the frame's event pump.
  int fired = 0;
  g.pump.SetTimer(77, 5, [&] { ++fired; });
  clock->Advance(10);
  PresentFrame(g);
  EXPECT_EQ(fired, 1);
}

TEST_F(DisplayFrame, LoadingScreenTilesFallFor300ms) {
  StartDisplay();
  MakeGlyphFont();
  DisplayState& d = g.display;
  FillSurface(g.display, d.CaptureSurface, nullptr, kYellow);
  for (const auto& t : d.Tiles) {
    EXPECT_GE(t.fall, 480);
    EXPECT_LE(t.fall, 960);
  }
  EXPECT_EQ(d.Tiles[21].rect, (Rect{32, 32, 64, 64}));
  EXPECT_EQ(d.Tiles[299].rect, (Rect{608, 448, 640, 480}));
  clock->Set(1000);
  g.play.FadeStart = 1000;
  g.play.FadeState = kFadeIntro;
  Loading(g);
  EXPECT_EQ(BackPixel(0, 0), kYellow) << "tiles in place at the start";
  EXPECT_EQ(BackPixel(639, 479), kYellow);
  EXPECT_EQ(g.play.FadeState, kFadeIntro);
  // "NOW LOADING": only 'A' has a glyph in the test font, at place 6.
  EXPECT_EQ(BackPixel(200 + 6 * 16, 400 - 12), kRed);
  clock->Set(1150);  // p = 15/30: the tiles have fallen p^4 = 1/16 of their distance
  Loading(g);
  EXPECT_EQ(BackPixel(0, 0), 0u);
  EXPECT_EQ(BackPixel(0, d.Tiles[0].fall / 16 + 1), kYellow);
  clock->Set(1300);
  Loading(g);
  EXPECT_EQ(g.play.FadeState, kFadeNone) << "the transition ends when p reaches 1";
  EXPECT_EQ(BackPixel(320, 240), 0u);

  // A stage image is shown whole after 500 ms, zoomed in before that.
  ASSERT_TRUE(CreateSurface(g.display, d.StageImageSurface, 640, 480, false));
  Rect band{0, 0, 640, 100};
  FillSurface(g.display, d.StageImageSurface, nullptr, kBlue);
  FillSurface(g.display, d.StageImageSurface, &band, kGreen);
  g.play.FadeStart = g.NowMs() - 600;
  Loading(g);
  EXPECT_EQ(BackPixel(320, 50), kGreen);
  EXPECT_EQ(BackPixel(320, 150), kBlue);
  g.play.FadeStart = g.NowMs() - 400;  // h = 10: source (10, 13)-(627, 470)
  Loading(g);
  EXPECT_EQ(BackPixel(320, 0), kGreen);
  EXPECT_EQ(BackPixel(320, 98), kBlue) << "zoomed: the band ends higher than 100";
  ReleaseStageImage(g.display);
  EXPECT_FALSE(d.StageImageSurface.Valid());
}

TEST_F(DisplayFrame, StartUpLogLinesAndFixedImages) {
  g.settings.ScreenColors = 3;
  std::string data = folder.path() + "/_kvxfiles/";
  WriteBmp(data + "ssbg.bmp", 640, 480, 0xC86400);
  WriteBmp(data + "ssobj.bmp", 64, 64, 0x00FF00);
  WriteBmp(data + "ssnostg.bmp", 32, 32, 0x0000FF);
  WriteBmp(data + "resobj.bmp", 160, 120, 0xFF0000);
  StartDisplay();
  ShowStartupText(g, "NOW LOADING ...");
  EXPECT_EQ(g.display.last_present, PresentMode::None) << "startup frames are not PresentFrame";
  EXPECT_GE(g.display.frames_presented, 1u);
  LoadSS(g);
  PreparePreviewSurface(g);
  DisplayState& d = g.display;
  EXPECT_EQ(g.screens.SongSelectBgSurface.width, 640);
  EXPECT_EQ(g.screens.ResultObjSurface.width, 160);
  EXPECT_TRUE(g.screens.SongSelectObjSurface.color_key);
  EXPECT_TRUE(g.screens.NoStageSurface.color_key);
  EXPECT_FALSE(g.screens.ResultObjSurface.color_key);
  EXPECT_FALSE(g.screens.SongSelectBgSurface.color_key);
  EXPECT_EQ(g.screens.PreviewSurface.width, 192);
  EXPECT_EQ(g.screens.PreviewSurface.height, 144);
  auto grey = ReadSurfacePixels(g.display, g.screens.SongSelectBgGreySurface);
  auto colour = ReadSurfacePixels(g.display, g.screens.SongSelectBgSurface);
  EXPECT_EQ(grey[1000] & 0xFFFFFF, 0x646464u);
  EXPECT_EQ(colour[1000] & 0xFFFFFF, 0xC86400u);
  EXPECT_EQ(d.BgaSurface.width, 256);
  EXPECT_EQ(d.GraphSurface.width, 300);
  EXPECT_EQ(d.GraphSurface.height, 203);
  EXPECT_EQ(d.CaptureSurface.width, 640);
  EXPECT_EQ(d.BgaRect, (Rect{0, 0, 256, 256}));

  // The result tiles move diagonally and repeat every 3.2 s.
  FillSurface(g.display, d.BackSurface, nullptr, 0);
  clock->Set(3200 * 5 + 100);  // o = 10
  DrawScrollingTiles(g);
  EXPECT_EQ(BackPixel(0, 0), 0xFF0000u);
  EXPECT_EQ(BackPixel(639, 479), 0xFF0000u);
  // Around a panel drawn over them afterwards, only the edges get tiles.
  FillSurface(g.display, d.BackSurface, nullptr, 0);
  DrawScrollingTiles(g, Rect{16, 0, 624, 480});
  EXPECT_EQ(BackPixel(15, 0), 0xFF0000u);
  EXPECT_EQ(BackPixel(624, 479), 0xFF0000u);
  EXPECT_EQ(BackPixel(16, 240), 0u);
  EXPECT_EQ(BackPixel(623, 0), 0u);
  FillSurface(g.display, d.BackSurface, nullptr, 0);
  DrawScrollingTiles(g, Rect{0, 20, 700, 400});  // past the right edge: clipped to the screen
  EXPECT_EQ(BackPixel(639, 19), 0xFF0000u);
  EXPECT_EQ(BackPixel(639, 20), 0u);
  EXPECT_EQ(BackPixel(0, 400), 0xFF0000u);
  g.settings.DRAWLIMIT = 3;  // no tiles: black around the panel
  FillSurface(g.display, d.BackSurface, nullptr, 0x123456);
  DrawScrollingTiles(g, Rect{16, 0, 624, 480});
  EXPECT_EQ(BackPixel(0, 0), 0u);
  EXPECT_EQ(BackPixel(639, 100), 0u);
  EXPECT_EQ(BackPixel(320, 240), 0x123456u);

  // A skin with another BGA size gets a BGA surface of that size.
  g.app.BgaWidth = 320;
  g.app.BgaHeight = 240;
  CreateSurfaces(g);
  EXPECT_EQ(d.BgaSurface.width, 320);
  EXPECT_EQ(d.BgaSurface.height, 240);

  std::string log = Log();
  for (const char* line :
       {"[InitDD]", "Display mode changed to 640x480x32 : error = 0", "Primary Surface created. VRAM FREE:",
        "[CreateSurfaces]", "bytes free", "Creating surfaces...", "[LoadSS] SongSelect Surface created. VRAM FREE:",
        "[LoadSS] SSObj Surface created. VRAM FREE:", "[LoadSS] SSNOSTG Surface created. VRAM FREE:",
        "[LoadSS] Result Surface created. VRAM FREE:"})
    EXPECT_NE(log.find(line), std::string::npos) << line;
  EXPECT_LT(log.find("[LoadSS] SSObj"), log.find("[LoadSS] SSNOSTG"));
}

TEST_F(DisplayFrame, ScreenColorsZeroIsLoggedAsEightBits) {
  g.settings.ScreenColors = 0;
  StartDisplay();
  EXPECT_NE(Log().find("Display mode changed to 640x480x8 : error = 0"), std::string::npos);
}

TEST_F(DisplayFrame, DisplayLossPausesAndRestores) {
  StartDisplay();
  g.play.Playing = true;
  g.play.Paused = false;
  EXPECT_TRUE(CheckDisplay(g));
  g.pump.Inject(PlatformEvent{PlatformEvent::Kind::WindowHidden});
  g.pump.Pump();
  uint32_t before = g.NowMs();
  EXPECT_FALSE(CheckDisplay(g));
  EXPECT_GE(g.NowMs() - before, 10u) << "a lost display waits instead of spinning";
  EXPECT_TRUE(g.display.DisplayLost);
  EXPECT_TRUE(g.play.Paused);
  EXPECT_FALSE(CheckDisplay(g));
  g.pump.Inject(PlatformEvent{PlatformEvent::Kind::WindowShown});
  g.pump.Pump();
  EXPECT_TRUE(CheckDisplay(g));
  EXPECT_FALSE(g.display.DisplayLost);
  EXPECT_FALSE(g.play.Paused) << "the play the loss paused goes on";
  EXPECT_TRUE(g.display.GraphSurface.Valid());
  std::string log = Log();
  EXPECT_NE(log.find("Display lost."), std::string::npos);
  EXPECT_NE(log.find("Display restored."), std::string::npos);
  EXPECT_NE(log.find("[LoadSS] SongSelect Surface created."), std::string::npos);

  // A play the player had paused stays paused.
  g.play.Paused = true;
  g.pump.Inject(PlatformEvent{PlatformEvent::Kind::WindowHidden});
  g.pump.Pump();
  EXPECT_FALSE(CheckDisplay(g));
  g.pump.Inject(PlatformEvent{PlatformEvent::Kind::WindowShown});
  g.pump.Pump();
  EXPECT_TRUE(CheckDisplay(g));
  EXPECT_TRUE(g.play.Paused);
}

TEST_F(DisplayFrame, WithoutAnyDisplayNothingFails) {
  // No InitDD: every routine is a no-op instead of a crash.
  InitDX(g);
  CreateSurfaces(g);
  LoadSS(g);
  ShowStartupText(g, "NOW LOADING ...");
  DrawFontText(g.display, 0, 0, "A");
  Surface s;
  EXPECT_FALSE(CreateSurface(g.display, s, 10, 10, true));
  FillSurface(g.display, s, nullptr, kRed);
  Loading(g);
  PresentFrame(g);
  EXPECT_TRUE(CheckDisplay(g));
  ReleaseDirectX(g);
  ReleaseDirectX(g);  // twice is harmless
  SetWindowCaption(g.display, "caption");
  EXPECT_EQ(g.display.caption, "caption");
}

// A static screen draws a frame only when something changed: an event, a
// timer, a moving part, a wake-up time, another screen; otherwise it waits for
// input until the next of these is due (at most 100 ms) and draws nothing.
TEST_F(DisplayFrame, StaticScreensRestUntilSomethingChanges) {
  auto paced = std::make_unique<WallClockStandIn>(10000, 1);
  WallClockStandIn* wall = paced.get();
  g.UseClock(std::move(paced));
  clock = wall;
  StartDisplay();
  g.app.GameState = Screen::Result;
  int drawn = 0;
  auto pass = [&] {
    if (RestFrame(g)) return;
    ++drawn;
    PresentFrame(g);
  };
  pass();
  EXPECT_EQ(drawn, 1) << "the first frame of a screen is drawn";
  const uint32_t rest_from = g.NowMs();
  for (int i = 0; i < 5; ++i) pass();
  EXPECT_EQ(drawn, 1);
  EXPECT_EQ(g.display.rest.frames_rested, 5u);
  EXPECT_EQ(g.NowMs() - rest_from, 500u) << "with nothing due, each rest sleeps 100 ms, not a frame's time";

  PlatformEvent key;
  key.kind = PlatformEvent::Kind::KeyDown;
  g.pump.Inject(key);
  pass();  // the rest pumps the event: the next pass draws
  pass();
  EXPECT_EQ(drawn, 2);
  pass();
  EXPECT_EQ(drawn, 2);

  g.pump.SetTimer(901, 1, [] {}, true);  // a quiet per-frame tick does not wake the screen
  pass();
  pass();
  EXPECT_EQ(drawn, 2);
  g.pump.SetTimer(900, 30, [this] { g.pump.KillTimer(900); });
  const uint32_t timer_set = g.NowMs();
  pass();
  EXPECT_LE(g.NowMs() - timer_set, 31u) << "the rest ends when the timer is due";
  pass();
  EXPECT_EQ(drawn, 3) << "a timer that ran";

  KeepAnimating(g.display);
  pass();
  EXPECT_EQ(drawn, 4) << "a moving part";
  RedrawAt(g.display, g.NowMs() + 40);
  const uint32_t asked = g.NowMs();
  while (drawn == 4) pass();
  EXPECT_GE(g.NowMs() - asked, 40u) << "a wake-up time";
  EXPECT_LE(g.NowMs() - asked, 41u) << "the rest ends at the wake-up time, not a frame later";

  g.app.GameState = Screen::SongList;
  pass();
  EXPECT_EQ(drawn, 6) << "another screen";
  ShowMessage(g.display, g.NowMs(), "hello");
  pass();
  pass();
  EXPECT_EQ(drawn, 8) << "the status message moves";
  while (g.display.MessageLine.visible) pass();
  const int before = drawn;
  const uint32_t last = g.display.rest.last_drawn;
  while (drawn == before) pass();
  EXPECT_GE(g.NowMs() - last, 999u);
  EXPECT_LE(g.NowMs() - last, 1002u) << "at least one frame a second";

  g.options.redraw_always = true;
  pass();
  pass();
  EXPECT_EQ(drawn, before + 3);
}

TEST(PictureRect, WholeFactorsOrFitLetterboxed) {
  auto same = [](SDL_Rect a, SDL_Rect b) { return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h; };
  // A 1024x768 full screen: whole factors leave the picture at 640x480,
  // fitting uses the whole height (and width: the same aspect).
  EXPECT_TRUE(same(PictureRect(1024, 768, false), SDL_Rect{192, 144, 640, 480}));
  EXPECT_TRUE(same(PictureRect(1024, 768, true), SDL_Rect{0, 0, 1024, 768}));
  EXPECT_TRUE(same(PictureRect(1920, 1080, false), SDL_Rect{320, 60, 1280, 960}));
  EXPECT_TRUE(same(PictureRect(1920, 1080, true), SDL_Rect{240, 0, 1440, 1080}));
  EXPECT_TRUE(same(PictureRect(1280, 1024, true), SDL_Rect{0, 32, 1280, 960}));  // bars above and below
  // Smaller than 640x480: shrunk to fit either way.
  EXPECT_TRUE(same(PictureRect(320, 480, false), SDL_Rect{0, 120, 320, 240}));
  EXPECT_TRUE(same(PictureRect(0, 0, true), SDL_Rect{0, 0, 640, 480}));
}

}  // namespace kvx::test
