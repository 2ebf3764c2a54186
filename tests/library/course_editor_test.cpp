#include <filesystem>
#include <set>

#include "course_fixture.h"
#include "library/list_file.h"
#include "media/display.h"
#include "screens/course_editor.h"
#include "screens/song_select.h"

namespace kvx {
namespace {

using test::CourseTest;
using test::SecondFormat;
using test::Song;

class CourseEditor : public CourseTest {
 protected:
  int16_t Key(int16_t code) {
    ProcessKey_EditCourse(g, code);
    return code;
  }
  void Type(const std::string& text) {
    for (char c : text) ProcessKey_EnterCourse(g, static_cast<unsigned char>(c));
  }
  void CursorTo(int32_t row) {
    while (g.course.EditCursor < row) Key(208);
    while (g.course.EditCursor > row) Key(200);
  }
  // Enter on the add row, then the song chosen on the song list (or Escape there).
  void AddSong(const SongEntry* song) {
    CursorTo(g.course.EditSongCount);
    Key(28);
    EXPECT_NE(g.app.GameState, Screen::CourseEditor);  // the song lists are showing
    if (song) PutSongIntoCourseSlot(g, *song);
    else g.app.GameState = Screen::CourseEditor;  // Escape on the lists
    ASSERT_EQ(g.app.GameState, Screen::CourseEditor);
  }
  std::string Message() const { return g.display.MessageLine.text; }
  std::set<std::string> FilesBelow(const std::string& folder) {
    std::set<std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
      if (e.path().filename() != "debug.txt") files.insert(e.path().string());
    return files;
  }
};

TEST_F(CourseEditor, StarsStopAtZeroAndWrapAfter255) {
  StartNewCourse(g);
  EXPECT_EQ(g.course.EditStars, 3);
  CursorTo(-1);
  for (int i = 0; i < 5; ++i) Key(203);
  EXPECT_EQ(g.course.EditStars, 0);
  for (int i = 0; i < 255; ++i) Key(205);
  EXPECT_EQ(g.course.EditStars, 255);
  Key(205);
  EXPECT_EQ(g.course.EditStars, 0);
  // Left and Right on other rows change nothing.
  CursorTo(-2);
  Key(205);
  EXPECT_EQ(g.course.EditStars, 0);
}

TEST_F(CourseEditor, F10RemovesEmptySlotsFirstAndSavesOnTheSecondPress) {
  UpdateCourseList(g);
  StartNewCourse(g);
  const SongEntry a = Song("A", 1000, "/songs/a.bms"), b = Song("B", 2500, "/songs/b.bms");
  AddSong(&a);
  AddSong(nullptr);
  AddSong(&b);
  AddSong(nullptr);
  EXPECT_EQ(g.course.EditSongCount, 4);
  EXPECT_EQ(Key(68), 0);  // F10 is used up here, not passed on to the echo option
  EXPECT_EQ(Message(), "Null items has removed. please re-press F10 key");
  EXPECT_EQ(g.course.EditSongCount, 2);
  EXPECT_EQ(g.app.GameState, Screen::CourseEditor);
  EXPECT_FALSE(FileExists(g.paths.data + "/courselist/NEW COURSE.kcl"));

  Key(68);
  EXPECT_EQ(dir.Read("_kvxfiles/courselist/NEW COURSE.kcl"), SecondFormat(3, 2, 0, 3500, {a, b}));
  EXPECT_EQ(g.app.GameState, Screen::CourseList);
  EXPECT_FALSE(g.screens.EditingCourse);
  EXPECT_EQ(g.course.EditSongCount, 0);
  EXPECT_EQ(g.course.Header.SongCount, 0);
  EXPECT_TRUE(g.chart.CourseSongs.empty());
  ASSERT_EQ(g.library.SongListLast, 1);
  EXPECT_EQ(g.library.SongList[1].Title, "NEW COURSE");
  EXPECT_EQ(g.library.SongList[1].LengthMs, 3500);
  const std::string log = Log();
  size_t at = 0;
  for (const char* line : {"[CreateCourse]", "Saved.", "[UpdateCourseList]", "ListUpdate", "OK"}) {
    at = log.find(line, at);
    EXPECT_NE(at, std::string::npos) << line;
  }
}

// The songs are chosen on the real lists: the jukebox list, its song list
// with cursor moves (each one a cursor change of song select), Enter. The
// slots chosen before stay through those moves, and Escape on the lists
// returns without a change.
TEST_F(CourseEditor, SongsChosenOnTheListsGoIntoTheirSlotsAndStayThroughCursorMoves) {
  const SongEntry a = Song("A", 1000, "/songs/a.bms"), b = Song("B", 2000, "/songs/b.bms"),
                  c = Song("C", 4000, "/songs/c.bms");
  const std::string list = dir.Write("_kvxfiles/jukelist/pack.kbl", EncodeListFile({a, b, c}));
  SongEntry pack;
  pack.Title = "pack";
  pack.FilePath = list;
  g.library.JukeList = {pack};
  g.library.JukeListLast = 0;
  g.settings.BMSPreview = false;
  auto song_select = [&](int16_t code) { ProcessKey_SongSelect(g, code); };
  auto choose = [&](int index) {
    ASSERT_EQ(g.app.GameState, Screen::JukeboxList);
    song_select(28);  // open the jukebox
    ASSERT_EQ(g.app.GameState, Screen::SongList);
    for (int i = 0; i < index + 3; ++i) song_select(208);  // three past it and wrapped
    for (int i = 0; i < 3; ++i) song_select(200);
    ASSERT_EQ(g.app.ListCursor, index);
    song_select(28);
    ASSERT_EQ(g.app.GameState, Screen::CourseEditor);
  };
  UpdateCourseList(g);
  StartNewCourse(g);
  CursorTo(0);  // the add row of an empty course
  Key(28);
  choose(2);
  Key(208);
  Key(28);
  choose(0);
  ASSERT_EQ(g.course.EditSongCount, 2);
  EXPECT_EQ(g.chart.CourseSongs[0], c);
  EXPECT_EQ(g.chart.CourseSongs[1], a);
  // Enter on the first song, then Escape on the song list: nothing changes.
  CursorTo(0);
  Key(28);
  song_select(28);
  song_select(208);
  song_select(1);
  EXPECT_EQ(g.app.GameState, Screen::CourseEditor);
  EXPECT_TRUE(g.screens.EditingCourse);
  EXPECT_EQ(g.chart.CourseSongs[0], c);
  EXPECT_EQ(g.chart.CourseSongs[1], a);
  // Enter on the second song replaces it.
  CursorTo(1);
  Key(28);
  choose(1);
  Key(68);
  EXPECT_EQ(g.app.GameState, Screen::CourseList);
  EXPECT_EQ(dir.Read("_kvxfiles/courselist/NEW COURSE.kcl"), SecondFormat(3, 2, 0, 6000, {c, b}));
}

TEST_F(CourseEditor, NameEntryRefusesFileNameCharactersAndSwallowsTheOpeningEnter) {
  StartNewCourse(g);
  Key(28);  // Enter on the name row
  EXPECT_EQ(g.app.GameState, Screen::CourseNameEntry);
  ProcessKey_EnterCourse(g, 13);  // the same Enter as a typed character
  EXPECT_EQ(g.app.GameState, Screen::CourseNameEntry);
  for (int i = 0; i < 10; ++i) ProcessKey_EnterCourse(g, 8);
  ProcessKey_EnterCourse(g, 8);  // nothing left to remove
  Type("Run");
  Type(":");
  EXPECT_EQ(Message(), "sorry, can't use : for filename.");
  EXPECT_EQ(g.course.CourseName, "Run");
  for (char refused : std::string("*/\\\"?<>|")) {
    Type(std::string(1, refused));
    EXPECT_EQ(Message(), std::string("sorry, can't use ") + refused + " for filename.");
  }
  Type(" 2");
  ProcessKey_EnterCourse(g, 200);  // not a character
  EXPECT_EQ(g.course.CourseName, "Run 2");
  ProcessKey_EnterCourse(g, 13);
  EXPECT_EQ(g.app.GameState, Screen::CourseEditor);
  // Escape ends the entry as well, keeping what was typed.
  Key(28);
  ProcessKey_EnterCourse(g, 13);
  Type("!");
  ProcessKey_EnterCourse(g, 27);
  EXPECT_EQ(g.app.GameState, Screen::CourseEditor);
  EXPECT_EQ(g.course.CourseName, "Run 2!");
}

TEST_F(CourseEditor, EscapeDiscardsTheChangesAndReturnsToTheEditedCourse) {
  const SongEntry a = Song("A", 1000, "/songs/a.bms"), b = Song("B", 2000, "/songs/b.bms");
  WriteCourse("first.kcl", SecondFormat(2, 1, 0, 1000, {a}));
  const std::string original = SecondFormat(6, 2, 5, 3000, {a, b});
  WriteCourse("second.kcl", original);
  UpdateCourseList(g);
  g.app.ListCursor = 2;
  EditCourseAt(g, 2);
  ASSERT_EQ(g.app.GameState, Screen::CourseEditor);
  EXPECT_TRUE(g.screens.EditingCourse);
  EXPECT_EQ(g.course.CourseName, "second");
  EXPECT_EQ(g.course.EditSongCount, 2);
  EXPECT_EQ(g.course.EditStars, 6);
  CursorTo(-1);
  Key(205);
  CursorTo(0);
  Key(211);  // Delete the first song
  EXPECT_EQ(g.course.EditSongCount, 1);
  EXPECT_EQ(g.chart.CourseSongs[0], b);
  Key(1);
  EXPECT_EQ(g.app.GameState, Screen::CourseList);
  EXPECT_FALSE(g.screens.EditingCourse);
  EXPECT_EQ(g.app.ListCursor, 2);
  EXPECT_EQ(g.library.SongList[2].Title, "second");
  EXPECT_EQ(dir.Read("_kvxfiles/courselist/second.kcl"), original);
  // Nothing of the discarded edit is left for the course list to show.
  EXPECT_EQ(g.chart.CourseSongCount, 0);
  EXPECT_TRUE(g.chart.CourseSongs.empty());

  // Saved after an edit, the reserved field goes back as it was loaded and the
  // empty entry past the songs is written as a record of its own.
  EditCourseAt(g, 2);
  CursorTo(-1);
  Key(205);
  Key(68);
  const std::string saved = SecondFormat(7, 2, 5, 3000, {a, b}) + test::RecordBytes(SongEntry{});
  EXPECT_EQ(dir.Read("_kvxfiles/courselist/second.kcl"), saved);
  // A song removed: the shorter course is written over the longer one.
  EditCourseAt(g, 2);
  CursorTo(0);
  Key(211);
  Key(68);
  const std::string shorter = SecondFormat(7, 1, 5, 2000, {b});
  const std::string now = dir.Read("_kvxfiles/courselist/second.kcl");
  EXPECT_EQ(now.substr(0, shorter.size()), shorter);
  EXPECT_EQ(now.substr(shorter.size()), saved.substr(shorter.size()));
}

TEST_F(CourseEditor, RowsAndCursorLimits) {
  StartNewCourse(g);
  const SongEntry a = Song("A", 1000, "/songs/a.bms"), b = Song("B", 2000, "/songs/b.bms");
  AddSong(&a);
  AddSong(&b);
  // Enter on a song chooses a new song for that slot.
  CursorTo(0);
  Key(28);
  EXPECT_EQ(g.course.EditSlot, 0);
  PutSongIntoCourseSlot(g, b);
  EXPECT_EQ(g.chart.CourseSongs[0], b);
  // The cursor never leaves the rows, even before the next frame pulls it back.
  for (int i = 0; i < 5; ++i) Key(208);
  Key(28);  // Enter on the add row (not past it)
  EXPECT_EQ(g.course.EditSlot, 2);
  g.app.GameState = Screen::CourseEditor;
  EXPECT_EQ(g.course.EditSongCount, 3);
  EXPECT_EQ(g.chart.CourseSongs[2], SongEntry{});
  CursorTo(3);
  Key(211);  // Delete on the add row removes nothing
  EXPECT_EQ(g.course.EditSongCount, 3);
  for (int i = 0; i < 9; ++i) Key(200);
  mEditCourse(g);  // headless: only the cursor is pulled back
  EXPECT_EQ(g.course.EditCursor, -2);
}

TEST_F(CourseEditor, NamesOfSpacesOrDotsSaveInsideTheCourseFolder) {
  const SongEntry a = Song("A", 1000, "/songs/a.bms");
  for (std::string name : {"", "   ", "..", "...."}) {
    const auto before = FilesBelow(dir.path());
    UpdateCourseList(g);
    StartNewCourse(g);
    g.course.CourseName = name;
    AddSong(&a);
    Key(68);
    ASSERT_EQ(g.app.GameState, Screen::CourseList) << "[" << name << "]";
    auto after = FilesBelow(dir.path());
    for (const auto& f : before) after.erase(f);
    ASSERT_EQ(after.size(), 1u) << "[" << name << "]";
    EXPECT_EQ(*after.begin(), g.paths.data + "/courselist/" + name + ".kcl");
  }
}

}  // namespace
}  // namespace kvx
