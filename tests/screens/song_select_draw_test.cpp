// One frame of song select on the dummy display: the cursor row, the
// information panel with the no-stage or stage picture and the level stars,
// cleared entries, the opening animation, the front-end fade, the blinking
// option text, the course list panel, and Hangul in the list fonts. Under an
// X server the jukebox list and the song list are saved as PNG screenshots.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "library/courses.h"
#include "media/display.h"
#include "screens/song_select_text.h"
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
  const int star_x = 16 + GdiTextWidth(s.g.display, GdiFont::Bold16, "★7") + 8;
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

TEST(SongSelectDraw, MissingSoundFilesAreCountedBesideTheMediaLine) {
  SongSelectScreen s(false);
  const std::string folder = s.folder.path() + "/songs/";
  s.folder.Write("songs/here.wav", "x");
  const std::string chart = s.folder.Write(
      "songs/gone.bms", "*---\r\n#WAV01 here.wav\r\n#WAV02 gone1.wav\r\n#WAV03 gone2.wav\r\n#BMP01 pic.bmp\r\n");
  SongEntry e;
  e.Title = "Gone";
  e.FilePath = chart;
  e.WavCount = 3;
  e.BmpCount = 1;
  SongEntry whole = e;
  whole.FilePath = s.folder.Write("songs/whole.bms", "*---\r\n#WAV01 here.wav\r\n");
  whole.WavCount = 1;
  s.Show(Screen::SongList, {e, whole}, 0);
  ListStopped(s.g);
  s.Settle(1);
  EXPECT_EQ(s.g.screens.MissingSounds, 2);
  s.SavePng("songselect_missing_sounds.png");
  const Rect media{16, 212, 288, 228};
  const int red = CountColour(s.Back(), media, 0xFF6060);
  EXPECT_GT(red, 20);
  // The count starts after the media text and stays inside the panel.
  const int media_right = 16 + GdiTextWidth(s.g.display, GdiFont::List1, "[BGA(1)] [WAV(3)]");
  EXPECT_EQ(CountColour(s.Back(), Rect{16, 212, media_right, 228}, 0xFF6060), 0);
  EXPECT_LE(media_right + 6 + GdiTextWidth(s.g.display, GdiFont::List1, "2 missing"), 288);
  // A chart with all its files shows no count.
  int16_t down = 208;
  ProcessKey_SongSelect(s.g, down);
  ListStopped(s.g);
  s.Settle(1);
  EXPECT_EQ(s.g.screens.MissingSounds, 0);
  EXPECT_EQ(CountColour(s.Back(), media, 0xFF6060), 0);
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
  ASSERT_TRUE(CreateSurface(g.display, a, 64, 32, true));
  ASSERT_TRUE(CreateSurface(g.display, b, 64, 32, true));
  EXPECT_GT(DrawGdiText(g.display, a, GdiFont::Bold12, 0, 0, "한", 0xFFFFFF), 0);
  EXPECT_GT(DrawGdiText(g.display, b, GdiFont::Bold12, 0, 0, "국", 0xFFFFFF), 0);
  Picture pa = ReadPicture(g, a), pb = ReadPicture(g, b);
  EXPECT_GT(CountColour(pa, Rect{0, 0, 64, 32}, 0xFFFFFF), 10);
  EXPECT_NE(pa.px, pb.px);
  // Mixed with Japanese and Latin letters in one title.
  EXPECT_GT(GdiTextWidth(g.display, GdiFont::Bold12, "A 한국 曲"), GdiTextWidth(g.display, GdiFont::Bold12, "A  曲"));
  ReleaseSurface(a);
  ReleaseSurface(b);
}

// The texts of one drawn frame, but for the bottom bar (the message line
// and the frame rate change from frame to frame).
std::vector<DrawnText> TextsOfFrame(SongSelectScreen& s) {
  std::vector<DrawnText> trace, texts;
  s.g.display.TextTrace = &trace;
  DrawList(s.g);
  s.g.display.TextTrace = nullptr;
  for (DrawnText& t : trace)
    if (t.rect.top < 456) texts.push_back(std::move(t));
  return texts;
}

const DrawnText* TextAt(const std::vector<DrawnText>& texts, int x, int y) {
  for (const DrawnText& t : texts)
    if (t.rect.left == x && t.rect.top == y) return &t;
  return nullptr;
}

// A failed play keeps its place in the ranking, marked FAILED beside the
// cleared ones' CLEAR, so a failed 1st is never taken for a clear.
TEST(SongSelectDraw, RankedPlaysShowWhetherTheyClearedOrFailed) {
  SongSelectScreen s(false);
  Game& g = s.g;
  s.Show(Screen::SongList, {s.DemoSong("sunrise_parade", "sunrise_beginner.bms")}, 0);
  ListStopped(g);
  s.Settle();
  g.screens.Record = ScoreRecord{};
  g.screens.Record.Ranking[0].Name = "FAILER";
  g.screens.Record.Ranking[0].Score = 187650;
  g.screens.Record.Ranking[1].Name = "CLEARER";
  g.screens.Record.Ranking[1].Score = 150020;
  g.screens.Record.Ranking[1].Cleared = true;
  std::vector<std::string> lines;
  for (const DrawnText& t : TextsOfFrame(s))
    if (t.text.find("FAILER") != std::string::npos || t.text.find("CLEARER") != std::string::npos)
      lines.push_back(t.text);
  EXPECT_EQ(lines, (std::vector<std::string>{"1st FAILER  187650  FAILED", "2nd CLEARER  150020  CLEAR"}));
}

// A chart with the modern header fields, listed the way a list file lists it:
// without them (the list file's record has no place for them).
SongEntry ListedModernChart(SongSelectScreen& s, const std::string& name, const std::string& header) {
  const std::string chart = s.folder.Write("songs/modern/" + name,
                                           "\r\n" + header +
                                               "#ARTIST Someone\r\n#GENRE SYNTH\r\n#BPM 120\r\n#PLAYLEVEL 9\r\n"
                                               "#WAV01 a.wav\r\n#00111:01010101\r\n#00112:0101\r\n#00211:01\r\n");
  SongEntry e;
  ScanBMSHeader(chart, e);
  e.SubTitle = e.SubArtist = e.Banner = "";
  e.Difficulty = e.NoteCount = 0;
  return e;
}

TEST(SongSelectDraw, ModernChartsAddSubtitleDifficultyNotesAndBannerWithoutMovingTheRest) {
  SongSelectScreen s(false);
  Game& g = s.g;
  // A banner of 300x80 in one colour.
  const std::string folder = s.folder.path() + "/songs/modern/";
  std::filesystem::create_directories(folder);
  SDL_Surface* banner = SDL_CreateRGBSurfaceWithFormat(0, 300, 80, 32, SDL_PIXELFORMAT_RGB888);
  ASSERT_NE(banner, nullptr);
  SDL_FillRect(banner, nullptr, 0x2080C0);
  ASSERT_EQ(SDL_SaveBMP(banner, (folder + "banner.bmp").c_str()), 0);
  SDL_FreeSurface(banner);
  const std::vector<SongEntry> list = {
      ListedModernChart(s, "drive.bms",
                        "#TITLE Night Drive [HYPER]\r\n#SUBTITLE -Midnight Mix-\r\n#SUBARTIST obj: Another\r\n"
                        "#DIFFICULTY 4\r\n#BANNER banner.bmp\r\n"),
      ListedModernChart(s, "same.bms", "#TITLE Same Suffix [ANOTHER]\r\n#SUBTITLE  [ANOTHER] \r\n#DIFFICULTY 7\r\n")};
  const Rect picture{56, 44, 56 + 192, 44 + 144};

  // Off: the panel as ever; the chart is not read again and its banner is not shown.
  g.settings.ModernCharts = false;
  s.Show(Screen::SongList, list, 0);
  ListStopped(g);
  s.Settle();
  const std::vector<DrawnText> off = TextsOfFrame(s);
  EXPECT_EQ(g.library.SongList[0].NoteCount, 0);
  EXPECT_FALSE(g.screens.StagePictureShown);
  ASSERT_NE(TextAt(off, 16, 257), nullptr);
  EXPECT_EQ(TextAt(off, 16, 257)->text, "[HYPER]");
  EXPECT_EQ(TextAt(off, 16, 275)->text, "ARTIST: Someone");
  EXPECT_EQ(TextAt(off, 16, 303)->text.find("NOTES"), std::string::npos);
  for (const DrawnText& t : off) {
    if (t.rect.left < 300) {
      EXPECT_EQ(t.text.find("ANOTHER"), std::string::npos) << t.text;
    }
  }

  // On: nothing is read while the cursor moves; once it rests the chart's
  // header is scanned and the panel shows what it adds.
  g.settings.ModernCharts = true;
  s.Show(Screen::SongList, list, 0);
  s.Settle(2);
  EXPECT_EQ(g.library.SongList[0].NoteCount, 0);
  ListStopped(g);
  const SongEntry& scanned = g.library.SongList[0];
  EXPECT_EQ(scanned.NoteCount, 7);
  EXPECT_EQ(scanned.SubTitle, "-Midnight Mix-");
  EXPECT_EQ(scanned.Difficulty, 4);
  EXPECT_EQ(scanned.Title, "Night Drive [HYPER]");  // the listed fields stay
  s.Settle();
  const std::vector<DrawnText> on = TextsOfFrame(s);
  const DrawnText* difficulty = TextAt(on, 288 - GdiTextWidth(g.display, GdiFont::Bold12, "ANOTHER"), 197);
  ASSERT_NE(difficulty, nullptr);
  EXPECT_EQ(difficulty->text, "ANOTHER");
  EXPECT_EQ(difficulty->rect.right, 288);
  EXPECT_EQ(difficulty->rgb, 0xFF6060u);
  EXPECT_GT(CountColour(s.Back(), difficulty->rect, 0xFF6060), 10);
  EXPECT_EQ(TextAt(on, 16, 257)->text, "[HYPER] -Midnight Mix-");
  EXPECT_EQ(TextAt(on, 16, 275)->text, "ARTIST: Someone  obj: Another");
  EXPECT_NE(TextAt(on, 16, 303)->text.find("   NOTES: 7"), std::string::npos);
  // The banner fills the picture's width, centred on black.
  ASSERT_TRUE(g.screens.StagePictureShown);
  Picture back = s.Back();
  EXPECT_EQ(back.at(picture.left + 96, picture.top + 72), 0x2080C0u);
  EXPECT_EQ(back.at(picture.left + 2, picture.top + 72), 0x2080C0u);
  EXPECT_EQ(back.at(picture.left + 96, picture.top + 10), 0u);
  EXPECT_EQ(back.at(picture.left + 96, picture.bottom - 10), 0u);
  // Every text of the panel as it was is where it was, and the same but for the
  // three lines that grow.
  ASSERT_EQ(on.size(), off.size() + 1);
  for (const DrawnText& t : off) {
    const DrawnText* u = TextAt(on, t.rect.left, t.rect.top);
    ASSERT_NE(u, nullptr) << t.text;
    if (t.text == "[HYPER]" || t.text.rfind("ARTIST: ", 0) == 0 || t.text.rfind("BPM: ", 0) == 0) continue;
    EXPECT_EQ(u->text, t.text);
    EXPECT_EQ(u->rect, t.rect) << t.text;
  }
  // Off again with the fields filled in: exactly the frame of before.
  g.settings.ModernCharts = false;
  const std::vector<DrawnText> off_again = TextsOfFrame(s);
  ASSERT_EQ(off_again.size(), off.size());
  for (size_t i = 0; i < off.size(); ++i) {
    EXPECT_EQ(off_again[i].text, off[i].text);
    EXPECT_EQ(off_again[i].rect, off[i].rect);
  }
  // A subtitle that repeats the title's suffix shows once; an unknown
  // difficulty shows nothing.
  g.settings.ModernCharts = true;
  int16_t down = 208;
  ProcessKey_SongSelect(g, down);
  ListStopped(g);
  s.Settle();
  const std::vector<DrawnText> same = TextsOfFrame(s);
  EXPECT_EQ(TextAt(same, 16, 257)->text, "[ANOTHER]");
  EXPECT_EQ(g.library.SongList[1].Difficulty, 0);  // 7 is not a difficulty
  EXPECT_EQ(same.size(), off.size());
  EXPECT_TRUE(DifficultyNameOf(0).name.empty());
  EXPECT_TRUE(DifficultyNameOf(6).name.empty());
  EXPECT_EQ(DifficultyNameOf(1).name, "BEGINNER");
  EXPECT_EQ(DifficultyNameOf(5).name, "INSANE");
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
  // The modern demo chart under the modern rules: listed without its modern
  // fields, which the panel shows once the cursor rests on it.
  std::vector<SongEntry> modern = songs;
  SongEntry remix;
  ScanBMSHeader(std::string(KVX_BUILD_DIR) + "/songs/comet_remix/comet_remix.bml", remix, {true, 0});
  remix.SubTitle.clear();
  remix.Difficulty = remix.NoteCount = 0;
  modern.insert(modern.begin() + 1, remix);
  g.settings.ModernCharts = true;
  s.Show(Screen::SongList, modern, 1);
  ListStopped(g);
  s.Settle();
  s.SavePng("songselect_modern" + suffix + ".png");
  EXPECT_EQ(g.library.SongList[1].SubTitle, "modern chart demo");
  EXPECT_EQ(g.library.SongList[1].Difficulty, 3);
  EXPECT_GT(CountColour(s.Back(), Rect{200, 194, 288, 212}, DifficultyNameOf(3).rgb), 10);
  g.settings.ModernCharts = false;
  // The course list (the demo course of the data folder) with the songs of
  // the course under the cursor, read once the cursor rests.
  UpdateCourseList(g);
  ASSERT_EQ(g.library.CourseList.size(), 2u);
  int16_t tab = 15, down = 208;
  ProcessKey_SongSelect(g, tab);
  ProcessKey_SongSelect(g, down);
  s.Settle();
  s.SavePng("songselect_courses" + suffix + ".png");
  EXPECT_GT(g.chart.CourseSongCount, 0);
  EXPECT_GT(CountColour(s.Back(), Rect{16, 88, 288, 102}, 0xC8D4F0), 10);  // the first song's line
}

TEST(SongSelectScreenshot, DummyDisplay) { TakeScreenshots(false, "_dummy"); }

TEST(SongSelectScreenshot, RealWindowUnderAnXServer) {
  std::string reason;
  if (!test::RunOnXServer([] { TakeScreenshots(true, ""); }, &reason)) GTEST_SKIP() << "No X server: " << reason;
}

}  // namespace
}  // namespace kvx
