// The course editor in a real game window (an X server: the session's or an
// Xvfb started for the test): a course of two demo charts, saved as a PNG in
// build/screenshots, with every row, the cursor marker, the help line and the
// blinking row checked in the picture.
#include <SDL.h>
#include <SDL_image.h>

#include <cstdlib>
#include <filesystem>

#include "app/display_game.h"
#include "app/skin_loading.h"
#include "course_fixture.h"
#include "library/song_search.h"
#include "media/display.h"
#include "media/skin.h"
#include "picture.h"
#include "screens/course_editor.h"
#include "xserver.h"

namespace kvx::test {
namespace {

namespace fs = std::filesystem;

// Lit pixels in the band x0..x1, y0..y1 (exclusive ends).
int LitPixels(const Picture& p, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += p.at(x, y) != 0;
  return n;
}

// The first column from x0 on with a lit pixel between y0 and y1.
int LeftmostLit(const Picture& p, int x0, int y0, int y1) {
  for (int x = x0; x < p.w; ++x)
    if (LitPixels(p, x, y0, x + 1, y1) > 0) return x;
  return -1;
}

class CourseEditorScreenshot : public ::testing::Test {
 protected:
  void SetUp() override {
    x = std::make_unique<XDisplay>();
    if (!x->Use()) GTEST_SKIP() << "No X server: " << x->reason();
  }
  void TearDown() override {
    ReleaseDirectX(g);  // the window goes before its X server
    x.reset();
  }
  TempFolder folder;
  Game g;
  std::unique_ptr<XDisplay> x;
};

TEST_F(CourseEditorScreenshot, TwoSongsWithCursorMarkerHelpAndBlink) {
  const fs::path build(KVX_BUILD_DIR);
  if (!fs::exists(build / "_kvxfiles" / "kvx_scr.brd")) GTEST_SKIP() << "generated default data missing";
  fs::copy(build / "_kvxfiles", fs::path(folder.path()) / "_kvxfiles", fs::copy_options::recursive);
  g.SetProgramFolder(folder.path());
  auto clock = std::make_unique<ScriptedClock>(0, 1);
  ScriptedClock* time = clock.get();
  g.UseClock(std::move(clock));
  InitDX(g);
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::string(driver) != "x11") GTEST_SKIP() << "x11 video driver unavailable: " << SDL_GetError();
  ShowGameWindow(g);
  InitDD(g);
  CreateSurfaces(g);
  LoadSS(g);
  LoadRectData(g, g.paths.In("kvx_scr.brd"));
  ASSERT_TRUE(g.display.BackSurface.Valid());

  StartNewCourse(g);
  g.course.CourseName = "MORNING RUN";
  g.course.EditStars = 4;
  for (const char* chart : {"songs/sunrise_parade/sunrise_hyper.bme", "songs/clockwork_tide/tide_normal.bms"}) {
    SongEntry e;
    ScanBMSHeader((build / chart).string(), e);
    ASSERT_FALSE(e.Title.empty()) << chart;
    g.chart.CourseSongs.push_back(e);
  }
  g.course.EditSongCount = 2;
  g.course.EditCursor = 1;  // the second song
  g.app.GameState = Screen::CourseEditor;

  time->Set(10250);  // the cursor row shown (250 mod 500 > 100)
  mEditCourse(g);
  const Picture shown = ReadPicture(g, g.display.BackSurface);
  ASSERT_EQ(shown.px.size(), 640u * 480u);
  {
    const fs::path out = build / "screenshots";
    fs::create_directories(out);
    std::vector<uint32_t> copy = shown.px;
    for (uint32_t& px : copy) px |= 0xFF000000;  // black is the screen's colour, not a hole
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(copy.data(), 640, 480, 32, 640 * 4, SDL_PIXELFORMAT_ARGB8888);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(IMG_SavePNG(s, (out / "course_editor.png").c_str()), 0);
    SDL_FreeSurface(s);
  }
  // Every row has text: the title and key summary (y 10), name (30), stars
  // (45), the two songs (90, 105) with their artists at x 330, the add row
  // (120) and the help line (430); nothing between the add row and the help.
  EXPECT_GT(LitPixels(shown, 0, 10, 200, 24), 50);
  EXPECT_GT(LitPixels(shown, 402, 10, 560, 24), 50);
  EXPECT_GT(LitPixels(shown, 30, 30, 300, 43), 50);
  EXPECT_GT(LitPixels(shown, 30, 45, 200, 58), 30);
  EXPECT_GT(LitPixels(shown, 30, 90, 320, 103), 80);
  EXPECT_GT(LitPixels(shown, 30, 105, 320, 118), 80);
  EXPECT_GT(LitPixels(shown, 330, 90, 640, 103), 30);
  EXPECT_GT(LitPixels(shown, 330, 105, 640, 118), 30);
  EXPECT_GT(LitPixels(shown, 30, 120, 320, 133), 50);
  EXPECT_EQ(LitPixels(shown, 0, 140, 640, 425), 0);
  EXPECT_GT(LitPixels(shown, 0, 430, 400, 445), 80);
  // The marker ">>" at x 10 beside the second song only.
  EXPECT_GT(LitPixels(shown, 10, 105, 28, 118), 5);
  EXPECT_EQ(LitPixels(shown, 0, 90, 28, 103), 0);
  EXPECT_EQ(LitPixels(shown, 0, 120, 28, 133), 0);

  time->Set(10550);  // 50 mod 500: the cursor row's label is hidden
  mEditCourse(g);
  const Picture hidden = ReadPicture(g, g.display.BackSurface);
  EXPECT_EQ(LitPixels(hidden, 30, 105, 320, 118), 0);
  EXPECT_GT(LitPixels(hidden, 30, 90, 320, 103), 80);
  EXPECT_GT(LitPixels(hidden, 330, 105, 640, 118), 30);  // the artist stays
  // The key summary jitters with the clock: x 402 at 10250 ms, 401 at 10550.
  EXPECT_EQ(LeftmostLit(shown, 390, 10, 24) - LeftmostLit(hidden, 390, 10, 24), 1);

  // A title too long for its column is cut before the artist column: the gap
  // in front of x 330 stays dark and the artist is drawn whole.
  g.chart.CourseSongs[0].Title = std::string(12, 'W') + " A VERY LONG TITLE THAT NEVER FITS [ANOTHER]";
  mEditCourse(g);
  const Picture cut = ReadPicture(g, g.display.BackSurface);
  EXPECT_GT(LitPixels(cut, 250, 90, 322, 103), 30);
  EXPECT_EQ(LitPixels(cut, 322, 90, 330, 103), 0);
  EXPECT_EQ(LitPixels(cut, 330, 90, 640, 103), LitPixels(shown, 330, 90, 640, 103));
}

}  // namespace
}  // namespace kvx::test
