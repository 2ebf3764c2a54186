// Jukeboxes: the jukebox list from the list files, showing it, opening a
// jukebox and coming back, the empty jukebox, and play lists on the command
// line.
#include "library/jukebox.h"

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/game.h"
#include "library/list_file.h"
#include "library/song_search.h"
#include "platform/files.h"
#include "play/ready_bms.h"
#include "screens/jukebox_list.h"
#include "test_support.h"

namespace kvx {
namespace {

SongEntry Song(const std::string& title, int32_t length = 1000) {
  SongEntry e;
  e.Title = title;
  e.Player = 1;
  e.PlayLevel = 3;
  e.Rank = 2;
  e.LengthMs = length;
  e.FilePath = "/songs/" + title + ".bms";
  return e;
}

std::vector<std::string> Titles(const std::vector<SongEntry>& list) {
  std::vector<std::string> titles;
  for (const auto& e : list) titles.push_back(e.Title);
  return titles;
}

struct Jukebox : ::testing::Test {
  test::TempFolder dir;
  Game g;
  void SetUp() override {
    test::UseHeadlessGame(g, dir.path());
    MakeFolder(g.paths.In("jukelist"));
  }
  std::string List(const std::string& relative, const std::vector<SongEntry>& songs) {
    return dir.Write(relative, EncodeListFile(songs));
  }
  std::string Log() { return dir.Read("_kvxfiles/debug.txt"); }
};

TEST_F(Jukebox, OneJukeboxPerListFileWithTheFolderDepth) {
  List("_kvxfiles/jukelist/b.KBL", {Song("x")});
  List("_kvxfiles/jukelist/a.kbl", {});
  List("_kvxfiles/jukelist/my.pack.kbl", {Song("y")});
  dir.Write("_kvxfiles/jukelist/notes.txt", "not a list");
  EXPECT_EQ(UpdateJukeList(g), 3);
  const LibraryState& l = g.library;
  EXPECT_EQ(l.JukeListLast, 2);
  EXPECT_EQ(Titles(l.JukeList), (std::vector<std::string>{"a", "b", "my.pack"}));
  SongEntry expected;
  expected.Title = "b";
  expected.FilePath = g.paths.In("jukelist/b.KBL");
  expected.Player = 1;
  expected.PlayLevel = 3;
  expected.Rank = 2;
  EXPECT_EQ(l.JukeList[1], expected);
  EXPECT_EQ(l.SongList, l.JukeList);
  EXPECT_EQ(l.SongListLast, 2);
  EXPECT_NE(Log().find("[UpdateJukeList]\r\n"), std::string::npos);
  EXPECT_NE(Log().find("    3 juke(s) has detected.\r\n"), std::string::npos);

  // A list in a subfolder counts; one a folder deeper only without the limit.
  List("_kvxfiles/jukelist/old/pack.kbl", {Song("p")});
  List("_kvxfiles/jukelist/old/older/deep.kbl", {Song("d")});
  EXPECT_EQ(UpdateJukeList(g), 4);
  EXPECT_EQ(Titles(l.JukeList), (std::vector<std::string>{"a", "b", "my.pack", "pack"}));
  EXPECT_EQ(l.JukeList[3].FilePath, g.paths.In("jukelist/old/pack.kbl"));
  g.library.NoDepthLimit = true;
  EXPECT_EQ(UpdateJukeList(g), 5);
  EXPECT_EQ(l.JukeList[4].Title, "deep");
  EXPECT_EQ(g.library.SearchDepth, 0);
  EXPECT_EQ(g.log.Level(), 0);
}

TEST_F(Jukebox, TheCursorReturnsToTheJukeboxLastOpened) {
  List("_kvxfiles/jukelist/a.kbl", {Song("a1"), Song("a2")});
  List("_kvxfiles/jukelist/b.kbl", {Song("b1", 5000)});
  List("_kvxfiles/jukelist/c.kbl", {Song("c1"), Song("c2"), Song("c3")});
  ASSERT_EQ(UpdateJukeList(g), 3);
  ClearSongList(g);

  JukeReady(g);
  EXPECT_EQ(g.app.GameState, Screen::JukeboxList);
  EXPECT_EQ(g.library.SongList, g.library.JukeList);
  EXPECT_EQ(g.library.SongListLast, 2);
  EXPECT_EQ(g.library.SongMarks.size(), 3u);
  EXPECT_EQ(g.app.ListCursor, 0);
  EXPECT_TRUE(g.play.QuitPlay);
  EXPECT_NE(Log().find("[Load JukeList]\r\n"), std::string::npos);

  g.app.ListCursor = 2;
  g.pump.SetTimer(kPreviewTimerId, 500, [] {});
  OpenJukebox(g);
  EXPECT_FALSE(g.pump.HasTimer(kPreviewTimerId));
  EXPECT_EQ(g.app.GameState, Screen::SongList);
  EXPECT_EQ(g.app.ListCursor, 0);
  EXPECT_EQ(g.screens.JukeboxName, "c.kbl");
  EXPECT_EQ(Titles(g.library.SongList), (std::vector<std::string>{"c1", "c2", "c3"}));
  EXPECT_EQ(g.library.CurrentListFile, g.paths.In("jukelist/c.kbl"));
  g.app.ListCursor = 1;  // moving on the song list does not move the saved cursor

  JukeReady(g);
  EXPECT_EQ(g.app.ListCursor, 2);
  g.app.ListCursor = 1;
  OpenJukebox(g);
  EXPECT_EQ(Titles(g.library.SongList), std::vector<std::string>{"b1"});
  EXPECT_EQ(g.library.TotalPlayTime, 5000);
  JukeReady(g);
  EXPECT_EQ(g.app.ListCursor, 1);
  EXPECT_EQ(Titles(g.library.SongList), (std::vector<std::string>{"a", "b", "c"}));

  // A cursor saved before the list shrank starts at the top.
  g.library.SavedJukeCursor = 7;
  JukeReady(g);
  EXPECT_EQ(g.app.ListCursor, 0);
}

TEST_F(Jukebox, AnEmptyJukeboxEndsTheProgram) {
  List("_kvxfiles/jukelist/empty.kbl", {});
  ASSERT_EQ(UpdateJukeList(g), 1);
  JukeReady(g);
  testing::internal::CaptureStderr();
  EXPECT_THROW(OpenJukebox(g), ProgramExit);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // opening is quiet
  EXPECT_NE(Log().find("[ExitApp]"), std::string::npos);
  // So does a list file removed since the jukebox list was made.
  List("_kvxfiles/jukelist/gone.kbl", {Song("g")});
  ASSERT_EQ(UpdateJukeList(g), 2);
  DeleteFile(g.paths.In("jukelist/gone.kbl"));
  JukeReady(g);
  g.app.ListCursor = 1;
  EXPECT_THROW(OpenJukebox(g), ProgramExit);
}

// A jukebox whose file does not start like a list file is set aside: the
// jukebox list comes back without it (the program goes on) and says so. A
// play list elsewhere with a wrong header is refused but left where it is.
TEST_F(Jukebox, ADamagedJukeboxIsSetAsideAndAForeignFileRefused) {
  List("_kvxfiles/jukelist/good.kbl", {Song("g")});
  std::string wrong = EncodeListFile({Song("w")});
  wrong.replace(0, 8, "kvx_JUNK");
  dir.Write("_kvxfiles/jukelist/wrong.kbl", wrong);
  ASSERT_EQ(UpdateJukeList(g), 2);
  JukeReady(g);
  g.app.ListCursor = 1;
  ASSERT_EQ(g.library.SongList[1].Title, "wrong");
  OpenJukebox(g);  // no ProgramExit
  EXPECT_EQ(g.app.GameState, Screen::JukeboxList);
  EXPECT_EQ(Titles(g.library.SongList), std::vector<std::string>{"good"});
  EXPECT_EQ(dir.Read("_kvxfiles/jukelist/wrong.kbl.damaged"), wrong);
  EXPECT_FALSE(FileExists(g.paths.In("jukelist/wrong.kbl")));
  EXPECT_NE(Log().find("# damaged list file (no list file signature) set aside as"), std::string::npos);
  EXPECT_EQ(g.display.MessageLine.text, "Damaged list file set aside");

  const std::string foreign = dir.Write("my lists/odd.kpl", wrong);
  testing::internal::CaptureStderr();
  EXPECT_EQ(LoadListFile(g, foreign, false), ListFileRead::Damaged);
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(g.library.SongList.empty());
  EXPECT_EQ(dir.Read("my lists/odd.kpl"), wrong);  // not ours: left as it is
  EXPECT_NE(Log().find("# not a list file (no list file signature): " + foreign), std::string::npos);
  // The header checks: signature, the zero bytes, the byte 1, the index.
  const std::string good = EncodeListFile({Song("x")});
  EXPECT_EQ(ListFileHeaderProblem(good), "");
  EXPECT_EQ(ListFileHeaderProblem(EncodeListFile({})), "");
  for (size_t at : {0u, 7u, 8u, 18u, 19u}) {
    std::string bad = good;
    bad[at] ^= 0x40;
    EXPECT_EQ(ListFileHeaderProblem(bad), "no list file signature") << at;
  }
  std::string negative = good;
  negative.replace(20, 4, "\xFE\xFF\xFF\xFF");
  EXPECT_EQ(ListFileHeaderProblem(negative), "a negative song count");
  EXPECT_EQ(ListFileHeaderProblem("kvx_juke"), "only 8 bytes");
}

TEST_F(Jukebox, PlayListsFromTheCommandLine) {
  const std::string list = List("my lists/Party List.KpL", {Song("p1"), Song("p2")});
  const CommandLineResult r = ParseCommandLine(g, "-B- \"" + list + "\"");
  EXPECT_EQ(r.lists_loaded, 1);
  EXPECT_FALSE(g.app.play_first_entry);
  EXPECT_EQ(Titles(g.library.SongList), (std::vector<std::string>{"p1", "p2"}));
  EXPECT_EQ(g.library.CurrentListFile, list);
  testing::internal::CaptureStderr();
  ParseCommandLine(g, dir.path() + "/none.kpl");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "error: listfile " + dir.path() + "/none.kplis not exist.\n");
  EXPECT_EQ(g.library.SongList.size(), 2u);
}

TEST_F(Jukebox, PlayingAnEntryOutsideTheListOnlyLogs) {
  g.library.SongList = {Song("only")};
  g.library.SongListLast = 0;
  g.play.QuitPlay = false;
  PlayListEntry(g, 3);
  EXPECT_TRUE(g.play.QuitPlay);
  EXPECT_EQ(g.app.GameState, Screen::JukeboxList);
  EXPECT_NE(Log().find("error: Subscript out of range\r\n"), std::string::npos);
}


TEST_F(Jukebox, DroppedFilesByTheirEnding) {
  // A mixed-case ".KbL" is a list file: the missing one gets the list box (a
  // chart would have become a list entry), and there is no entry 0 to play.
  g.app.GameState = Screen::SongList;
  const std::string missing = dir.path() + "/Party.KbL";
  testing::internal::CaptureStderr();
  DropFile(g, missing);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "error: listfile " + missing + "is not exist.\n");
  EXPECT_TRUE(g.library.SongList.empty());
  EXPECT_NE(Log().find("error: Subscript out of range\r\n"), std::string::npos);
  // Not while a chart plays or a result shows.
  g.library.SongList = {Song("playing")};
  g.library.SongListLast = 0;
  for (Screen busy : {Screen::Play, Screen::Result, Screen::RankingNameEntry}) {
    g.app.GameState = busy;
    DropFile(g, dir.path() + "/other.bms");
    EXPECT_EQ(Titles(g.library.SongList), std::vector<std::string>{"playing"});
  }
  EXPECT_NE(Log().find("# dropped file ignored while not on a list: " + dir.path() + "/other.bms"), std::string::npos);
}

}  // namespace
}  // namespace kvx
