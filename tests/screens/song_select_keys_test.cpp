// Song select keys: cursor moves and their wrap, the option keys, Tab between
// the lists, Enter on songs and courses, the course keys, Escape, joystick
// buttons and the network wait lock.
#include <gtest/gtest.h>

#include "app/texts.h"

#include "app/game.h"
#include "chart/ready_bms.h"
#include "library/courses.h"
#include "library/jukebox.h"
#include "library/list_file.h"
#include "platform/files.h"
#include "screens/song_select.h"
#include "screens/song_select_internal.h"
#include "screens/song_select_text.h"
#include "song_select_fixture.h"

namespace kvx {
namespace {

using test::Song;
using Keys = test::SongSelectFixture;

constexpr int16_t kUp = 200, kDown = 208, kPageUp = 201, kPageDown = 209;

TEST_F(Keys, CursorWrapsAtBothEndsAndEveryMoveEasesTheList) {
  ShowSongs(Titles({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}));
  Press(kUp);  // Up on the first entry: the last
  EXPECT_EQ(g.app.ListCursor, 9);
  EXPECT_FLOAT_EQ(g.screens.ScrollOffset, 1.0f);
  g.app.ListCursor = 7;  // the third-last of ten
  Press(kPageDown);
  EXPECT_EQ(g.app.ListCursor, 2);
  EXPECT_FLOAT_EQ(g.screens.ScrollOffset, -4.0f);
  Press(kPageUp);
  EXPECT_EQ(g.app.ListCursor, 7);
  g.app.ListCursor = 1;
  Press(kPageUp);  // 1 - 5 = -4 wraps to 6
  EXPECT_EQ(g.app.ListCursor, 6);
  g.app.ListCursor = 9;
  Press(kDown);  // the last entry's next is the first
  EXPECT_EQ(g.app.ListCursor, 0);
  // A one-entry list stays on it.
  ShowSongs(Titles({"only"}));
  Press(kDown);
  Press(kPageUp);
  EXPECT_EQ(g.app.ListCursor, 0);
}

TEST_F(Keys, CursorChangeSplitsTheTitleStopsThePreviewAndRestartsItsTimer) {
  g.settings.PreviewDelay = 700;
  ShowSongs({Song("Song Name (Another)"), Song("Song -Remix-"), Song("Plain")});
  EXPECT_EQ(g.screens.TitleMain, "Song Name ");
  EXPECT_EQ(g.screens.TitleSub, "(Another)");
  g.play.QuitPlay = false;
  clock->Advance(50);
  Press(kDown);
  EXPECT_EQ(g.screens.TitleMain, "Song ");
  EXPECT_EQ(g.screens.TitleSub, "-Remix-");
  EXPECT_TRUE(g.play.QuitPlay);
  EXPECT_EQ(g.screens.LastChangeTime, 1050u);
  EXPECT_EQ(g.pump.TimerInterval(kPreviewTimerId), 700u);
  EXPECT_FALSE(g.pump.HasTimer(kPreviewPlayTimerId));
  Press(kDown);
  EXPECT_EQ(g.screens.TitleMain, "Plain");
  EXPECT_EQ(g.screens.TitleSub, "");
}

TEST_F(Keys, F1CyclesTheLaneCoversAndF2TheLaneShuffles) {
  ShowSongs(Titles({"a", "b"}));
  Settings& s = g.settings;
  struct Cover { bool hidden, sudden, stealth; };
  const Cover expected[5] = {{true, false, false}, {false, true, false}, {true, true, false},
                             {false, false, true}, {false, false, false}};
  for (const Cover& c : expected) {
    Press(59);
    EXPECT_EQ(s.Hidden, c.hidden);
    EXPECT_EQ(s.Sudden, c.sudden);
    EXPECT_EQ(s.Stealth, c.stealth);
  }
  Press(60);
  EXPECT_TRUE(g.chart.RandomLanes);
  EXPECT_FALSE(g.playopt.SpShuffle);
  Press(60);
  EXPECT_FALSE(g.chart.RandomLanes);
  EXPECT_TRUE(g.playopt.SpShuffle);
  Press(60);
  EXPECT_FALSE(g.chart.RandomLanes);
  EXPECT_FALSE(g.playopt.SpShuffle);
  Press(61);
  Press(62);
  Press(88);
  EXPECT_TRUE(s.Accel);
  EXPECT_TRUE(s.Vexo);
  EXPECT_TRUE(g.playopt.BreakOnBad);
  EXPECT_EQ(g.app.ListCursor, 0);  // none of them moves the cursor
}

// The cursor stays on its chart, and the marks go with their entries.
TEST_F(Keys, TitleSortPutsAppleBeforeBananaAndKeepsTheCursorOnItsChart) {
  ShowSongs(Titles({"cherry", "Banana", "apple", "Äpfel", "äbc"}), 1);
  g.library.SongMarks[1] = true;
  Press(81);
  EXPECT_EQ(ListTitles(), (std::vector<std::string>{"apple", "Banana", "cherry", "äbc", "Äpfel"}));
  EXPECT_EQ(g.app.ListCursor, 1);
  EXPECT_EQ(g.library.SongMarks, (std::vector<bool>{false, true, false, false, false}));
  EXPECT_EQ(g.display.MessageLine.text, "Sorted by TITLE");
  EXPECT_EQ(g.screens.TitleMain, "Banana");
  // On "cherry", sorted by level (all equal: title order stays).
  Press(kDown);
  Press(79);
  EXPECT_EQ(g.library.SongList[g.app.ListCursor].Title, "cherry");
  EXPECT_EQ(g.library.SongMarks[1], true);
  EXPECT_EQ(g.screens.ListSort, SongSort::Level);
}

TEST_F(Keys, SortsByLevelGenreAndArtist) {
  std::vector<SongEntry> list = {Song("w", 7), Song("x", 1), Song("y", 12), Song("z", 3)};
  list[0].Genre = "TRANCE", list[1].Genre = "ambient", list[2].Genre = "Drum", list[3].Genre = "ＢＩＧ ＢＥＡＴ";
  list[0].Artist = "b", list[1].Artist = "C", list[2].Artist = "a", list[3].Artist = "D";
  ShowSongs(list);
  Press(79);
  EXPECT_EQ(ListTitles(), (std::vector<std::string>{"x", "z", "w", "y"}));
  EXPECT_EQ(g.display.MessageLine.text, "Sorted by LEVEL");
  Press(80);
  EXPECT_EQ(ListTitles(), (std::vector<std::string>{"x", "y", "w", "z"}));
  EXPECT_EQ(g.display.MessageLine.text, "Sorted by GENRE");
  Press(75);
  EXPECT_EQ(ListTitles(), (std::vector<std::string>{"y", "w", "x", "z"}));
  EXPECT_EQ(g.display.MessageLine.text, "Sorted by ARTIST");
}

// Equal keys follow in title order, then by file path, whatever order the
// list was in.
TEST_F(Keys, EqualKeysFollowTitleThenPath) {
  const std::vector<SongEntry> songs = {Song("C", 2, "/b.bms"), Song("B", 1, "/B.bms"), Song("C", 2, "/a.bms"),
                                        Song("A", 1, "/A.bms"), Song("b", 2, "/c.bms")};
  auto order = [&] {
    std::vector<std::string> out;
    for (const SongEntry& e : g.library.SongList) out.push_back(e.Title + e.FilePath);
    return out;
  };
  ShowSongs(songs);
  Press(79);
  const std::vector<std::string> sorted = order();
  EXPECT_EQ(sorted[0], "A/A.bms");
  EXPECT_EQ(sorted[1], "B/B.bms");
  EXPECT_EQ(sorted[2], "b/c.bms");
  EXPECT_EQ(sorted[3], "C/a.bms");
  EXPECT_EQ(sorted[4], "C/b.bms");
  ShowSongs({songs.rbegin(), songs.rend()});
  Press(79);
  EXPECT_EQ(order(), sorted);
}

TEST_F(Keys, TextKeysIgnoreCaseInEveryScript) {
  EXPECT_EQ(TextSortKey("Apple"), TextSortKey("aPPLE"));
  EXPECT_EQ(TextSortKey("ÄÖÜ"), "äöü");
  EXPECT_EQ(TextSortKey("ＡＢＣ"), "ａｂｃ");
  EXPECT_EQ(TextSortKey("ΣΑΣ"), "σασ");
  EXPECT_EQ(TextSortKey("曲名"), "曲名");
  EXPECT_EQ(TextSortKey("\xFF" "A"), "\xFF" "a");  // a stray byte is kept and sorts by its value
}

TEST_F(Keys, TabShowsTheCourseListAndTabAgainTheJukeboxList) {
  g.library.CourseList = {Song("[MAKE NEW COURSE]"), Song("Marathon")};
  g.library.CourseListLast = 1;
  g.library.JukeList = {Song("pack one"), Song("pack two")};
  g.library.JukeListLast = 1;
  g.library.SavedJukeCursor = 1;
  ShowSongs(Titles({"a", "b", "c"}), 2);
  Press(15);
  EXPECT_EQ(g.app.GameState, Screen::CourseList);
  EXPECT_EQ(ListTitles(), (std::vector<std::string>{"[MAKE NEW COURSE]", "Marathon"}));
  EXPECT_EQ(g.library.SongMarks.size(), 2u);
  EXPECT_TRUE(g.screens.CourseModeShown);
  EXPECT_EQ(g.app.ListCursor, 0);
  EXPECT_EQ(g.screens.FrontFadeState, 21);
  EXPECT_NE(Log().find(">TAB Pressed - COURSE MODE"), std::string::npos);
  EXPECT_NE(Log().find("CourseList Loaded"), std::string::npos);
  Press(kDown);
  EXPECT_EQ(g.screens.CourseNameShown, "Marathon");
  Press(15);
  EXPECT_EQ(g.app.GameState, Screen::JukeboxList);
  EXPECT_EQ(ListTitles(), (std::vector<std::string>{"pack one", "pack two"}));
  EXPECT_EQ(g.app.ListCursor, 1);  // back on the jukebox last opened
  EXPECT_FALSE(g.screens.CourseModeShown);
  EXPECT_EQ(g.screens.FrontFadeState, 22);
  // Tab on the jukebox list also shows the course list.
  Press(15);
  EXPECT_EQ(g.app.GameState, Screen::CourseList);
}

TEST_F(Keys, EnterStartsTheFadeIntoPlayAndShiftAddsTheFixedGauge) {
  const std::string chart = dir.Write("songs/a.bms", "#TITLE a\r\n");
  ShowSongs({Song("a", 3, chart), Song("gone", 3, dir.path() + "/songs/gone.bms")});
  // A chart file that vanished since the search: nothing happens.
  g.app.ListCursor = 1;
  Press(28);
  EXPECT_EQ(g.screens.FadeSubject, 0);
  EXPECT_FALSE(g.pump.HasTimer(kRunFadeEndTimerId));
  g.app.ListCursor = 0;
  Press(28);
  EXPECT_EQ(g.screens.FadeSubject, 1);
  EXPECT_EQ(g.pump.TimerInterval(kRunFadeEndTimerId), 10u);
  EXPECT_FALSE(g.play.FixedGaugeMode);
  // While the fade runs the selection is settled.
  Press(kDown);
  EXPECT_EQ(g.app.ListCursor, 0);
  g.pump.KillTimer(kRunFadeEndTimerId);
  g.screens.FadeSubject = 0;
  g.app.ButtonState[42] = true;  // left Shift held
  Press(28);
  EXPECT_TRUE(g.play.FixedGaugeMode);
  g.pump.KillTimer(kRunFadeEndTimerId);
  g.play.FixedGaugeMode = false;
  g.app.ButtonState[42] = false;
  // A button of lane function 12 held does the same.
  g.app.KeyTable[31] = 12;
  g.app.ButtonState[31] = true;
  Press(28);
  EXPECT_TRUE(g.play.FixedGaugeMode);
}

// A jukebox whose list file holds the given songs, shown on the jukebox list.
void ShowJukebox(Game& g, const std::vector<SongEntry>& songs) {
  const std::string list = g.paths.data + "/jukelist/pack.kbl";
  MakeFolder(g.paths.data + "/jukelist");
  ASSERT_TRUE(WriteFileBytes(list, EncodeListFile(songs)));
  g.library.JukeList = {Song("pack", 3, list)};
  g.library.JukeListLast = 0;
  JukeReady(g);
}

TEST_F(Keys, EnterOrRightOpensAJukeboxAndShiftEnterStartsShufflePlay) {
  ShowJukebox(g, {Song("one", 3, dir.path() + "/one.bms"), Song("two", 5, dir.path() + "/two.bms")});
  ASSERT_EQ(g.app.GameState, Screen::JukeboxList);
  Press(205);  // Right opens it even with Shift held
  EXPECT_EQ(g.app.GameState, Screen::SongList);
  EXPECT_EQ(ListTitles(), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(g.screens.JukeboxName, "pack.kbl");
  EXPECT_FLOAT_EQ(g.screens.ScrollOffset, 0.5f);
  EXPECT_EQ(g.screens.TitleMain, "one");
  EXPECT_EQ(g.screens.ClearCheckIndex, 0);
  // Shift + Enter on the jukebox: shuffle play of the whole jukebox.
  Press(203);
  ASSERT_EQ(g.app.GameState, Screen::JukeboxList);
  g.app.ButtonState[54] = true;  // right Shift
  Press(28);
  EXPECT_TRUE(g.screens.PreviewMode);
  EXPECT_TRUE(g.play.FixedGaugeMode);
  EXPECT_EQ(g.screens.FadeSubject, 1);
  EXPECT_TRUE(g.pump.HasTimer(kRunFadeEndTimerId));
  EXPECT_EQ(g.app.GameState, Screen::JukeboxList);  // where shuffle play returns to
  EXPECT_EQ(ListTitles(), (std::vector<std::string>{"one", "two"}));
}

// The sort is kept when a jukebox is opened again, and the song list's
// heading names it; the jukebox list itself is not sorted.
TEST_F(Keys, SortIsKeptForTheNextJukeboxOpened) {
  ShowJukebox(g, {Song("one", 5, dir.path() + "/one.bms"), Song("two", 3, dir.path() + "/two.bms")});
  Press(28);
  EXPECT_EQ(ListTitles(), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(SortLabel(g), "");
  Press(79);
  EXPECT_EQ(ListTitles(), (std::vector<std::string>{"two", "one"}));
  EXPECT_EQ(SortLabel(g), "SORT: LEVEL");
  Press(203);
  ASSERT_EQ(g.app.GameState, Screen::JukeboxList);
  EXPECT_EQ(SortLabel(g), "");
  g.library.JukeList.push_back(Song("another", 9, g.library.JukeList[0].FilePath));
  g.library.JukeListLast = 1;
  JukeReady(g);
  Press(81);
  EXPECT_EQ(ListTitles(), (std::vector<std::string>{"pack", "another"}));
  Press(28);
  EXPECT_EQ(ListTitles(), (std::vector<std::string>{"two", "one"}));
  EXPECT_EQ(g.app.ListCursor, 0);
  EXPECT_EQ(SortLabel(g), "SORT: LEVEL");
}

TEST_F(Keys, AnEmptyJukeboxEndsTheProgram) {
  ShowJukebox(g, {});
  EXPECT_THROW(Press(28), ProgramExit);
}

// Real course files in the course folder: Space opens one in the editor with
// its songs, Enter on the first entry starts a new course, Delete removes the
// file under the cursor and the list is read again from the folder.
TEST_F(Keys, CourseListKeysEditMakeAndDeleteCourses) {
  auto course = [](uint8_t stars, std::vector<SongEntry> songs) {
    CourseHeader h;
    h.Stars = stars;
    h.SongCount = static_cast<uint8_t>(songs.size());
    for (const auto& s : songs) h.TotalLength += s.LengthMs;
    return EncodeCourseFile(h, songs);
  };
  SongEntry one = Song("one", 5, "/songs/one.bms"), two = Song("two", 9, "/songs/two.bms");
  one.LengthMs = 60000, two.LengthMs = 90000;
  const std::string marathon = dir.Write("_kvxfiles/courselist/marathon.kcl", course(4, {one, two}));
  const std::string sprint = dir.Write("_kvxfiles/courselist/sprint.kcl", course(2, {two}));
  const std::string notes = dir.Write("_kvxfiles/courselist/notes.txt", "not a course");
  UpdateCourseList(g);
  ASSERT_EQ(g.library.CourseListLast, 2);
  ShowSongs(Titles({"a"}));
  Press(15);
  ASSERT_EQ(ListTitles(), (std::vector<std::string>{"[MAKE NEW COURSE]", "marathon", "sprint"}));
  EXPECT_EQ(g.library.SongList[1].PlayLevel, 4);
  EXPECT_EQ(g.library.SongList[1].LengthMs, 150000);

  // Space on the new-course entry does nothing; on a course it opens the
  // editor on that course with its songs.
  Press(57);
  EXPECT_EQ(g.app.GameState, Screen::CourseList);
  EXPECT_FALSE(g.screens.EditingCourse);
  Press(kDown);
  Press(57);
  EXPECT_EQ(g.app.GameState, Screen::CourseEditor);
  EXPECT_TRUE(g.screens.EditingCourse);
  EXPECT_EQ(g.course.CourseName, "marathon");
  EXPECT_EQ(g.course.EditStars, 4);
  EXPECT_EQ(g.course.EditSongCount, 2);
  ASSERT_GE(g.chart.CourseSongs.size(), 2u);
  EXPECT_EQ(g.chart.CourseSongs[0], one);
  EXPECT_EQ(g.chart.CourseSongs[1], two);
  EXPECT_EQ(g.course.RememberedCourse, 1);
  EXPECT_EQ(g.course.EditCursor, -2);
  // A song deleted in the editor, then Escape: back on the course list, on
  // the same course, whose panel no longer shows the discarded edit.
  auto editor_key = [&](int16_t code) { ProcessKey_EditCourse(g, code); };
  editor_key(kDown);
  editor_key(kDown);
  editor_key(211);
  ASSERT_EQ(g.course.EditSongCount, 1);
  editor_key(1);
  EXPECT_EQ(g.app.GameState, Screen::CourseList);
  EXPECT_FALSE(g.screens.EditingCourse);
  EXPECT_EQ(g.app.ListCursor, 1);
  EXPECT_EQ(ListTitles(), (std::vector<std::string>{"[MAKE NEW COURSE]", "marathon", "sprint"}));
  EXPECT_EQ(g.screens.CourseNameShown, "marathon");
  EXPECT_EQ(g.chart.CourseSongCount, 0);
  EXPECT_TRUE(g.chart.CourseSongs.empty());

  // Saved unchanged with F10: the list is read again with the cursor at its
  // top, and the panel names the entry there.
  Press(57);
  ASSERT_EQ(g.app.GameState, Screen::CourseEditor);
  editor_key(68);
  EXPECT_EQ(g.app.GameState, Screen::CourseList);
  EXPECT_EQ(g.app.ListCursor, 0);
  EXPECT_EQ(g.screens.CourseNameShown, "[MAKE NEW COURSE]");
  const std::string saved = ReadFileBytes(marathon).value_or("");
  EXPECT_EQ(saved.substr(0, 34), course(4, {one, two}).substr(0, 34));

  // Enter on the new-course entry starts a new course.
  ASSERT_EQ(g.app.ListCursor, 0);
  Press(28);
  EXPECT_EQ(g.app.GameState, Screen::CourseEditor);
  EXPECT_TRUE(g.screens.EditingCourse);
  EXPECT_EQ(g.course.CourseName, "NEW COURSE");
  EXPECT_EQ(g.course.EditStars, 3);
  EXPECT_EQ(g.course.EditSongCount, 0);
  EXPECT_TRUE(g.chart.CourseSongs.empty());
  editor_key(1);
  ASSERT_EQ(g.app.GameState, Screen::CourseList);
  EXPECT_EQ(g.app.ListCursor, 0);

  // Delete on the new-course entry removes nothing.
  Press(211);
  EXPECT_EQ(ListTitles().size(), 3u);
  // Delete asks first: Escape keeps the file, Enter removes it; the list is
  // read again from the folder, with the cursor at its top. Other keys wait
  // for the answer.
  g.app.ListCursor = 2;
  Press(211);
  EXPECT_EQ(QuestionLine(g), "コース「sprint」を削除しますか?  [Enter]:削除  [ESC]:戻る");
  g.settings.Language = "en";
  EXPECT_EQ(QuestionLine(g), "Delete the course \"sprint\"?  [Enter]:Delete  [ESC]:Back");
  g.settings.Language = "ja";
  Press(kDown);
  EXPECT_EQ(g.app.ListCursor, 2);
  Press(1);
  EXPECT_EQ(QuestionLine(g), "");
  EXPECT_TRUE(FileExists(sprint));
  EXPECT_EQ(ListTitles().size(), 3u);
  Press(211);
  g.app.ListCursor = 1;  // a cursor moved by the mouse meanwhile deletes nothing else
  Press(28);
  EXPECT_EQ(QuestionLine(g), "");
  EXPECT_FALSE(FileExists(sprint));
  EXPECT_TRUE(FileExists(marathon));
  EXPECT_EQ(ListTitles(), (std::vector<std::string>{"[MAKE NEW COURSE]", "marathon"}));
  EXPECT_EQ(g.library.CourseListLast, 1);
  EXPECT_EQ(g.library.SongListLast, 1);
  EXPECT_EQ(g.library.SongMarks.size(), 2u);
  EXPECT_EQ(g.app.ListCursor, 0);
  EXPECT_NE(Log().find("course deleted: " + sprint), std::string::npos);
  EXPECT_NE(Log().find("1 course(s) has detected."), std::string::npos);

  // Only course files are ever deleted, whatever an entry names.
  g.library.SongList.push_back(Song("notes", 3, notes));
  g.library.SongListLast = 2;
  g.library.SongMarks.push_back(false);
  g.app.ListCursor = 2;
  Press(211);
  EXPECT_EQ(QuestionLine(g), "");
  Press(28);
  EXPECT_TRUE(FileExists(notes));
  EXPECT_TRUE(FileExists(marathon));
}

TEST_F(Keys, EnterWhileEditingACoursePutsTheSongIntoTheSlot) {
  ShowSongs({Song("first"), Song("second")}, 1);
  g.screens.EditingCourse = true;
  g.chart.CourseSongs.assign(3, SongEntry{});
  g.course.EditSongCount = 3;
  g.course.EditSlot = 2;
  Press(28);
  EXPECT_EQ(g.app.GameState, Screen::CourseEditor);
  ASSERT_EQ(g.chart.CourseSongs.size(), 3u);
  EXPECT_EQ(g.chart.CourseSongs[2].Title, "second");
  // Tab does nothing while a course is edited; Escape returns to the editor.
  g.app.GameState = Screen::SongList;
  Press(15);
  EXPECT_EQ(g.app.GameState, Screen::SongList);
  Press(1);
  EXPECT_EQ(g.app.GameState, Screen::CourseEditor);
}

// Escape asks before the program ends: a second Escape stays, Enter ends it.
TEST_F(Keys, EscapeAsksThenEndsTheProgram) {
  ShowSongs(Titles({"a", "b"}));
  Press(1);
  EXPECT_EQ(QuestionLine(g), "korvexを終了しますか?  [Enter]:終了  [ESC]:戻る");
  g.settings.Language = "en";
  EXPECT_EQ(QuestionLine(g), "Quit korvex?  [Enter]:Quit  [ESC]:Back");
  g.settings.Language = "ja";
  Press(1);
  EXPECT_EQ(QuestionLine(g), "");
  Press(kDown);
  EXPECT_EQ(g.app.ListCursor, 1);
  Press(1);
  EXPECT_THROW(Press(28), ProgramExit);
}

TEST_F(Keys, JoystickButtonsAreConvertedAndTheNetworkLockHoldsEverythingButEscape) {
  ShowSongs(Titles({"a", "b", "c"}));
  g.app.KeyTable[256 + 4] = 17;  // joystick 0, button 0: the second scratch button
  g.app.KeyTable[256 + 5] = 16;
  int16_t code = Press(256 + 4);
  EXPECT_EQ(code, kDown);
  EXPECT_EQ(g.app.ListCursor, 1);
  Press(256 + 5);
  EXPECT_EQ(g.app.ListCursor, 0);
  // A button with no function is not a key of this screen.
  EXPECT_EQ(Press(256 + 6), 256 + 6);
  EXPECT_EQ(g.app.ListCursor, 0);
  g.net.WaitLock = true;
  Press(kDown);
  Press(59);
  EXPECT_EQ(g.app.ListCursor, 0);
  EXPECT_FALSE(g.settings.Hidden);
  Press(1);
  EXPECT_THROW(Press(28), ProgramExit);
}

TEST(SongSelectText, TitleSplitTriesAllTenBracketPairs) {
  auto split = [](const char* title) {
    SplitTitle s = SplitSongTitle(title);
    return s.main + "|" + s.sub;
  };
  EXPECT_EQ(split("Song Name (Another)"), "Song Name |(Another)");
  EXPECT_EQ(split("Song -Remix-"), "Song |-Remix-");
  EXPECT_EQ(split("Song -Remix"), "Song|-Remix");   // a space and an opener only
  EXPECT_EQ(split("Plain"), "Plain|");
  EXPECT_EQ(split("(Intro)"), "(Intro)|");          // nothing before the suffix: the whole title
  EXPECT_EQ(split("A [B] (C)"), "A [B] |(C)");       // the later pair overrides
  EXPECT_EQ(split("Title \"Live\""), "Title |\"Live\"");
  EXPECT_EQ(split("Go <Extended>"), "Go |<Extended>");
  EXPECT_EQ(split("Go [SP ANOTHER]"), "Go |[SP ANOTHER]");
  EXPECT_EQ(split("曲名（アナザー）"), "曲名|（アナザー）");
  EXPECT_EQ(split("曲名［７鍵］"), "曲名|［７鍵］");
  EXPECT_EQ(split("曲名＜ＨＡＲＤ＞"), "曲名|＜ＨＡＲＤ＞");
  EXPECT_EQ(split("曲名～夏～"), "曲名|～夏～");
  EXPECT_EQ(split("曲名〜夏〜"), "曲名|〜夏〜");     // the wave dash as saved in UTF-8
  EXPECT_EQ(split("曲名－Ｂ－"), "曲名|－Ｂ－");
  EXPECT_EQ(split("-"), "-|");
  EXPECT_EQ(split(""), "|");
}

TEST(SongSelectText, OrdinalSuffixesAndHelpLines) {
  EXPECT_EQ(OrdinalSuffix(1), "st");
  EXPECT_EQ(OrdinalSuffix(2), "nd");
  EXPECT_EQ(OrdinalSuffix(3), "rd");
  EXPECT_EQ(OrdinalSuffix(4), "th");
  EXPECT_EQ(OrdinalSuffix(10), "th");
  EXPECT_EQ(OrdinalSuffix(11), "st");
  EXPECT_EQ(HelpLines(kTextsJa, Screen::SongList)[0], "[ESC]:終了 [TAB]:モード切替 [←]:JukeBox選択");
  EXPECT_EQ(HelpLines(kTextsJa, Screen::JukeboxList)[1], "[↑/↓/PageUP/PageDN]:選択 [→/Enter]:開く");
  EXPECT_EQ(HelpLines(kTextsJa, Screen::CourseList)[0], "[ESC]:終了 [TAB]:モード切替 [スペース]:コース編集");
  EXPECT_EQ(HelpLines(kTextsJa, Screen::NetWaitChoice)[1], "");
  EXPECT_EQ(HelpLines(kTextsJa, Screen::Result)[0], "");
  EXPECT_EQ(HelpLines(kTextsEn, Screen::SongList)[0], "[ESC]:Quit [TAB]:Switch mode [←]:Jukeboxes");
  EXPECT_EQ(ExtraHelpKeys(kTextsEn, Screen::CourseList), "[Del]:Delete");
  EXPECT_EQ(ExtraHelpKeys(kTextsEn, Screen::Result), "");
}

}  // namespace
}  // namespace kvx
