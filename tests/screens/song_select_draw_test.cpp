// One frame of song select on the dummy display: the cursor row, the
// information panel with the no-stage or stage picture and the level stars,
// cleared entries, the opening animation, the front-end fade, the blinking
// option text, the course list panel, and Hangul in the list fonts. Under an
// X server the jukebox list and the song list are saved as PNG screenshots.
#include <gtest/gtest.h>

#include <cstdlib>

#include "media/display.h"
#include "song_select_screen_fixture.h"
#include "xserver.h"

namespace kvx {
namespace {

using test::CountColour;
using test::MatchInk;
using test::Picture;
using test::ReadPicture;
using test::SongSelectScreen;

constexpr int kCursorRowY = 213;
constexpr uint32_t kCursorBar = 0x2A4A9E;

std::vector<SongEntry> Songs(SongSelectScreen& s, int count) {
  std::vector<SongEntry> list;
  for (int i = 0; i < count; ++i) {
    SongEntry e;
    e.Title = "Song " + std::to_string(i);
    e.PlayLevel = i % 12;
    e.FilePath = "/nowhere/song" + std::to_string(i) + ".bms";
    list.push_back(e);
  }
  return list;
}

TEST(SongSelectDraw, SongListShowsCursorRowPictureStarsAndTitle) {
  SongSelectScreen s(false);
  auto list = Songs(s, 30);
  list[4].Title = "夜明けのパレード (Another)";
  list[4].PlayLevel = 7;
  s.Show(Screen::SongList, list, 4);
  s.Settle();
  Picture back = s.Back();
  // The cursor row's bar, right of its text.
  EXPECT_EQ(back.at(620, kCursorRowY + 10), kCursorBar);
  EXPECT_NE(back.at(620, kCursorRowY + 30), kCursorBar);
  // The no-stage picture (the entry has no stage file) at the picture place.
  Picture nostage = ReadPicture(s.g, s.g.screens.NoStageSurface);
  const Rect window = s.g.screens.RectJ[4];
  auto m = MatchInk(back, 56, 44, nostage, window);
  EXPECT_GT(m.ink, 10000);
  EXPECT_GT(m.share(), 0.95);
  // Seven stars after the level text.
  Picture parts = ReadPicture(s.g, s.g.screens.SongSelectObjSurface);
  const int star_x = 16 + GdiTextWidth(s.g, GdiFont::Bold16, "★7") + 8;
  for (int i = 0; i < 7; ++i) EXPECT_GT(MatchInk(back, star_x + 13 * i, 197, parts, s.g.screens.RectK).share(), 0.9) << i;
  EXPECT_LT(MatchInk(back, star_x + 13 * 7, 197, parts, s.g.screens.RectK).share(), 0.5);
  // The main title in white in the title line, its suffix in its own colour below.
  EXPECT_EQ(s.g.screens.TitleMain, "夜明けのパレード ");
  EXPECT_GT(CountColour(back, Rect{16, 228, 288, 256}, 0xFFFFFF), 80);
  EXPECT_GT(CountColour(back, Rect{16, 256, 288, 272}, 0xFFC890), 20);
  // The heading (the jukebox name) sits right of the logo in the title bar.
  s.g.screens.JukeboxName = "HEADING";
  s.Settle(1);
  back = s.Back();
  EXPECT_GT(CountColour(back, Rect{304, 2, 640, 24}, 0xFFFFFF), 20);
  // Nothing is drawn over the logo and its caption.
  Picture background = ReadPicture(s.g, s.g.screens.SongSelectBgSurface);
  int changed = 0;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 300; ++x) changed += back.at(x, y) != background.at(x, y);
  EXPECT_EQ(changed, 0);
}

TEST(SongSelectDraw, StagePictureOnceTheCursorRestsAndClearedEntriesInTheirColour) {
  SongSelectScreen s(false);
  std::vector<SongEntry> list = {s.DemoSong("pixel_comet", "comet_light5.bms"),
                                 s.DemoSong("sunrise_parade", "sunrise_beginner.bms")};
  ASSERT_EQ(list[0].StageFile, "comet_stage.png");
  s.Show(Screen::SongList, list, 0);
  s.g.library.SongMarks[1] = true;
  s.Settle(20);  // 320 ms
  EXPECT_FALSE(s.g.screens.StagePictureShown);  // not before the cursor rests
  s.Settle(20);  // past PreviewDelay (500 ms)
  ASSERT_TRUE(s.g.screens.StagePictureShown);
  Picture back = s.Back();
  Picture preview = ReadPicture(s.g, s.g.screens.PreviewSurface);
  auto m = MatchInk(back, 56, 44, preview, Rect{0, 0, 192, 144});
  EXPECT_GT(m.ink, 10000);
  EXPECT_GT(m.share(), 0.98);
  // The second row (cleared) is drawn in the cleared colour, the cursor row is not.
  EXPECT_GT(CountColour(back, Rect{304, kCursorRowY + 20, 632, kCursorRowY + 40}, 0xFFD860), 10);
  EXPECT_EQ(CountColour(back, Rect{304, kCursorRowY, 632, kCursorRowY + 20}, 0xFFD860), 0);
  // A cursor move releases the picture; the list coming to a stop loads it.
  int16_t up = 200;
  ProcessKey_SongSelect(s.g, up);
  EXPECT_FALSE(s.g.screens.StagePictureShown);
  ProcessKey_SongSelect(s.g, up);
  ListStopped(s.g);
  EXPECT_TRUE(s.g.screens.StagePictureShown);
}

TEST(SongSelectDraw, ABrokenStagePictureShowsTheNoStagePicture) {
  SongSelectScreen s(false);
  const std::string folder = s.folder.path() + "/songs/";
  s.folder.Write("songs/broken.png", "not a picture");
  SongEntry e;
  e.Title = "Broken";
  e.FilePath = folder + "broken.bms";
  e.StageFile = "broken.png";
  s.Show(Screen::SongList, {e}, 0);
  ListStopped(s.g);
  EXPECT_FALSE(s.g.screens.StagePictureShown);
  s.Settle(1);
  Picture nostage = ReadPicture(s.g, s.g.screens.NoStageSurface);
  EXPECT_GT(MatchInk(s.Back(), 56, 44, nostage, s.g.screens.RectJ[0]).share(), 0.95);
}

TEST(SongSelectDraw, OpeningAnimationSlidesTheListInAndTheFadeBrightens) {
  SongSelectScreen s(false);
  s.Show(Screen::SongList, Songs(s, 30), 0);
  DrawList(s.g);
  Picture first = s.Back();
  EXPECT_NE(first.at(500, kCursorRowY + 10), kCursorBar);  // still coming in from the right
  EXPECT_GT(CountColour(first, Rect{540, kCursorRowY, 632, kCursorRowY + 20}, kCursorBar), 200);
  s.Settle();
  EXPECT_EQ(s.Back().at(500, kCursorRowY + 10), kCursorBar);
  // The front-end fade after play starts black and is gone after 200 ms.
  StartFrontFade(s.g, 2);
  DrawList(s.g);
  Picture dark = s.Back();
  EXPECT_LT(dark.at(600, kCursorRowY + 10) & 0xFF, 0x20);
  s.clock->Advance(220);
  s.Settle(2);
  EXPECT_EQ(s.Back().at(600, kCursorRowY + 10), kCursorBar);
  EXPECT_EQ(s.g.screens.FrontFadeState, 0);
}

TEST(SongSelectDraw, SuperShuffleTextBlinksAndTheCourseListShowsCourseMode) {
  SongSelectScreen s(false);
  s.Show(Screen::SongList, Songs(s, 5), 0);
  s.g.playopt.SpShuffle = true;
  const Rect options{16, 390, 288, 416};
  s.clock->Set(400000);
  s.Settle(1);  // clock mod 400 = 16: shown
  EXPECT_GT(CountColour(s.Back(), options, 0xFF80C0), 5);
  s.clock->Set(400300);
  s.Settle(1);  // 300: hidden
  EXPECT_EQ(CountColour(s.Back(), options, 0xFF80C0), 0);
  const Rect course_line{16, 44, 288, 62};
  EXPECT_EQ(CountColour(s.Back(), course_line, 0xFF9060), 0);
  s.g.library.CourseList = Songs(s, 3);
  int16_t tab = 15;
  ProcessKey_SongSelect(s.g, tab);
  s.Settle();
  EXPECT_GT(CountColour(s.Back(), course_line, 0xFF9060), 20);
}

TEST(SongSelectDraw, HangulIsDrawnWithTheFallbackFont) {
  SongSelectScreen s(false);
  Game& g = s.g;
  // Each syllable its own picture: the face alone would draw the same empty box for both.
  Surface a, b;
  ASSERT_TRUE(CreateSurface(g, a, 64, 32, true));
  ASSERT_TRUE(CreateSurface(g, b, 64, 32, true));
  EXPECT_GT(DrawGdiText(g, a, GdiFont::Bold12, 0, 0, "한", 0xFFFFFF), 0);
  EXPECT_GT(DrawGdiText(g, b, GdiFont::Bold12, 0, 0, "국", 0xFFFFFF), 0);
  Picture pa = ReadPicture(g, a), pb = ReadPicture(g, b);
  EXPECT_GT(CountColour(pa, Rect{0, 0, 64, 32}, 0xFFFFFF), 10);
  EXPECT_NE(pa.px, pb.px);
  // Mixed with Japanese and Latin letters in one title.
  EXPECT_GT(GdiTextWidth(g, GdiFont::Bold12, "A 한국 曲"), GdiTextWidth(g, GdiFont::Bold12, "A  曲"));
  ReleaseSurface(a);
  ReleaseSurface(b);
}

void TakeScreenshots(bool window, const std::string& suffix) {
  SongSelectScreen s(window);
  Game& g = s.g;
  // The jukebox list.
  std::vector<SongEntry> jukes;
  for (const char* name : {"songs", "東方アレンジ集", "K-POP 리믹스", "club classics", "beginner pack",
                           "insane charts", "2024 winter event", "practice"}) {
    SongEntry e;
    e.Title = name;
    e.FilePath = s.folder.path() + "/_kvxfiles/jukelist/" + name + ".kbl";
    e.Player = 1, e.PlayLevel = 3, e.Rank = 2;
    jukes.push_back(e);
  }
  g.library.JukeList = jukes;
  g.library.JukeListLast = static_cast<int32_t>(jukes.size()) - 1;
  g.settings.Hidden = true;
  g.settings.DEMOMode = true;
  g.chart.RandomLanes = true;
  s.Show(Screen::JukeboxList, jukes, 1);
  s.Settle();
  s.SavePng("songselect_jukebox" + suffix + ".png");
  EXPECT_GT(CountColour(s.Back(), Rect{304, kCursorRowY, 632, kCursorRowY + 20}, kCursorBar), 1000);
  // The song list with the information panel and a Japanese title.
  std::vector<SongEntry> songs = {s.DemoSong("pixel_comet", "comet_light5.bms"),
                                  s.DemoSong("pixel_comet", "comet_normal.bme"),
                                  s.DemoSong("sunrise_parade", "sunrise_beginner.bms"),
                                  s.DemoSong("clockwork_tide", "tide_normal.bms")};
  SongEntry japanese = s.DemoSong("sunrise_parade", "sunrise_hyper.bme");
  japanese.Title = "夜明けのパレード [HYPER]";
  japanese.Artist = "コルベックス・サウンドチーム";
  japanese.Genre = "ポップ";
  songs.insert(songs.begin() + 2, japanese);
  SongEntry korean = s.DemoSong("clockwork_tide", "tide_another.bme");
  korean.Title = "태엽의 물결 (ANOTHER)";
  songs.push_back(korean);
  for (int i = 0; i < 12; ++i) {
    SongEntry more = s.DemoSong("clockwork_tide", "tide_normal.bms");
    more.Title = "Filler Track " + std::to_string(i + 1) + " -Extended Mix-";
    more.PlayLevel = 1 + i % 10;
    songs.push_back(more);
  }
  g.screens.JukeboxName = "songs.kbl";
  g.chart.RandomLanes = false;
  g.playopt.SpShuffle = true;
  g.settings.Accel = true;
  s.Show(Screen::SongList, songs, 2);
  g.library.SongMarks[0] = g.library.SongMarks[3] = true;
  g.screens.Record.PlayCount = 12;
  g.screens.Record.Ranking[0].Name = "KORVEX";
  g.screens.Record.Ranking[0].Score = 187650;
  g.screens.Record.Ranking[0].Cleared = true;
  g.screens.Record.Ranking[1].Name = "PLAYER2";
  g.screens.Record.Ranking[1].Score = 150020;
  ListStopped(g);
  s.clock->Set(500000);  // the blinking text is on
  s.Settle();
  s.SavePng("songselect_songs" + suffix + ".png");
  EXPECT_TRUE(g.screens.StagePictureShown);
  // The course list with the songs of the course under the cursor.
  g.library.CourseList = {songs[0], songs[1], songs[2]};
  g.library.CourseList[0].Title = "[MAKE NEW COURSE]";
  g.library.CourseList[1].Title = "段位認定 初段";
  g.library.CourseList[2].Title = "Marathon";
  int16_t tab = 15, down = 208;
  ProcessKey_SongSelect(g, tab);
  ProcessKey_SongSelect(g, down);
  g.chart.CourseSongs = {songs[0], songs[2], songs[5]};
  g.chart.CourseSongCount = 3;
  s.Settle();
  s.SavePng("songselect_courses" + suffix + ".png");
}

TEST(SongSelectScreenshot, DummyDisplay) { TakeScreenshots(false, "_dummy"); }

TEST(SongSelectScreenshot, RealWindowUnderAnXServer) {
  const char* d = std::getenv("DISPLAY");
  const std::string old_display = d ? d : "";
  test::XServer x;
  if (x.display().empty()) GTEST_SKIP() << "No X server: " << x.reason();
  setenv("DISPLAY", x.display().c_str(), 1);
  setenv("SDL_VIDEODRIVER", "x11", 1);
  TakeScreenshots(true, "");
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (d) setenv("DISPLAY", old_display.c_str(), 1);
  else unsetenv("DISPLAY");
}

}  // namespace
}  // namespace kvx
