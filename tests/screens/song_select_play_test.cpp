// From song select into play: FadeEndSubject's shuffle picks (single-player
// charts while ENDLESSMODE is 1, every entry when there is none), a shuffle
// of charts that cannot be loaded stops instead of trying forever, and the
// screen comes back with its fade; the clear check marks cleared entries
// from the records song select reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "play/ready_bms.h"
#include "screens/score_record.h"
#include "screens/song_select.h"
#include "screens/song_select_internal.h"
#include "song_select_fixture.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::Song;
using Play = test::SongSelectFixture;

std::set<std::string> LoadedFiles(const std::string& log) {
  std::set<std::string> files;
  for (size_t at = log.find("[BMSLoad] "); at != std::string::npos; at = log.find("[BMSLoad] ", at + 1))
    files.insert(log.substr(at + 10, log.find_first_of("\r\n", at) - at - 10));
  return files;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST_F(Play, ShufflePicksSinglePlayerChartsAndGivesUpOnChartsThatCannotLoad) {
  std::vector<SongEntry> list;
  for (int i = 0; i < 6; ++i) {
    SongEntry e = Song("s" + std::to_string(i), 3, dir.path() + "/gone" + std::to_string(i) + ".bms");
    e.Player = i < 3 ? 1 : 3;
    list.push_back(e);
  }
  ShowSongs(list);
  g.app.GameState = Screen::JukeboxList;
  g.screens.PreviewMode = true;
  g.screens.FadeSubject = 1;
  FadeEndSubject(g);
  const std::string log = Log();
  EXPECT_EQ(Count(log, "[BMSLoad] "), 8u);
  for (const std::string& file : LoadedFiles(log))
    EXPECT_TRUE(file == "gone0.bms" || file == "gone1.bms" || file == "gone2.bms") << file;
  EXPECT_NE(log.find("shuffle play stopped: the charts could not be loaded"), std::string::npos);
  EXPECT_FALSE(g.screens.PreviewMode);
  EXPECT_FALSE(g.play.FixedGaugeMode);
  EXPECT_EQ(g.screens.FadeSubject, 0);
  EXPECT_EQ(g.screens.FrontFadeState, 2);
  EXPECT_FLOAT_EQ(g.screens.ScrollOffset, 0.001f);
  EXPECT_EQ(g.screens.ShufflePlayCount, 8);
}

TEST_F(Play, ShuffleOfAListWithoutSinglePlayerChartsPicksAnyEntry) {
  std::vector<SongEntry> list = {Song("a", 3, dir.path() + "/a.bms"), Song("b", 3, dir.path() + "/b.bms")};
  for (auto& e : list) e.Player = 2;
  ShowSongs(list);
  g.screens.PreviewMode = true;
  FadeEndSubject(g);
  EXPECT_NE(Log().find("shuffle play: no single-player chart in the list, picking from every entry"),
            std::string::npos);
  EXPECT_EQ(Count(Log(), "[BMSLoad] "), 8u);
  EXPECT_FALSE(g.screens.PreviewMode);
}

TEST_F(Play, AChartThatCannotLoadReturnsToTheSongListWithItsMusicAndPreview) {
  g.settings.BMSPreview = true;
  ShowSongs({Song("a", 3, dir.path() + "/a.bms"), Song("b")}, 0);
  g.play.FixedGaugeMode = true;
  g.chart.LoadCancel = true;  // left by a preview that could not read its chart
  FadeEndSubject(g);
  EXPECT_EQ(Count(Log(), "[BMSLoad] a.bms"), 1u);  // the load was tried anyway
  EXPECT_EQ(g.app.GameState, Screen::SongList);
  EXPECT_EQ(g.app.ListCursor, 0);
  EXPECT_FALSE(g.play.FixedGaugeMode);
  EXPECT_TRUE(g.pump.HasTimer(kPreviewTimerId));
}

// The flags are read by a worker while the frames go on: the first frame only
// starts it and says so; once it is done the next frame has every mark.
TEST_F(Play, ClearCheckReadsTheFlagOfEachRecordInTheBackgroundWhereTheRecordIsRead) {
  g.settings.ShowClearedOnList = true;
  const std::string a = dir.Write("songs/a.bms", "#TITLE a\r\n");
  const std::string b = dir.Write("songs/b.bme", "#TITLE b\r\n");
  const std::string c = dir.Write("rom/c.bms", "#TITLE c\r\n");
  const std::string e = dir.Write("songs/e.bms", "#TITLE e\r\n");
  const std::string f = dir.Write("songs/f.bms", "#TITLE f\r\n");
  std::string record(446, '\0');
  record[445] = 1;
  dir.Write("songs/a.ksd", record);
  // A record of a writable folder under ro_score is not the one in use.
  dir.Write("_kvxfiles/ro_score/songs/b.ksd", record);
  record[445] = 0;
  dir.Write("songs/b.ksd", record);
  // A chart in a read-only folder keeps its record under ro_score.
  record[445] = 1;
  dir.Write("_kvxfiles/ro_score/rom/c.ksd", record);
  fs::permissions(FolderOf(c), fs::perms::owner_read | fs::perms::owner_exec);
  // A record with bytes past its end: the flag is at its place, not the last byte.
  dir.Write("songs/e.ksd", record + std::string(10, '\0'));
  // A short record is damaged: it has no flag, whatever its last byte.
  dir.Write("songs/f.ksd", std::string(100, '\x7F'));
  ShowSongs({Song("a", 3, a), Song("b", 3, b), Song("c", 3, c), Song("d", 3, dir.path() + "/songs/d.bms"),
             Song("e", 3, e), Song("f", 3, f)});
  g.library.SongMarks[1] = true;
  g.library.SongMarks[3] = true;
  g.library.SongMarks[5] = true;
  RunClearCheck(g);
  EXPECT_EQ(g.screens.ClearCheckIndex, 0);
  EXPECT_EQ(g.display.MessageLine.text, "clear check... 0 / 6");
  EXPECT_TRUE(g.library.SongMarks[1]);  // not yet read
  g.screens.ClearMarks.Wait();
  RunClearCheck(g);
  EXPECT_EQ(g.screens.ClearCheckIndex, 6);
  EXPECT_EQ(g.library.SongMarks, (std::vector<bool>{true, false, true, true, true, false}));
  // (d has no record: its mark stays as it was.)
  // Each mark is the flag of the record song select shows for the entry.
  for (int i : {0, 1, 2, 4, 5}) {
    g.app.ListCursor = i;
    LoadScoreDat(g);
    EXPECT_EQ(g.screens.Record.ClearedFlag, g.library.SongMarks[i]) << i;
  }
  // (The short record is damaged: song select sets it aside and shows none.)
  EXPECT_TRUE(FileExists(dir.path() + "/songs/f.ksd.damaged"));
  EXPECT_EQ(g.display.MessageLine.text, "Damaged score record set aside");
  // Past the end it stays there. Shown again, the list's marks come from
  // what was read, in the first frame; a record written after a play counts.
  RunClearCheck(g);
  EXPECT_EQ(g.screens.ClearCheckIndex, 6);
  g.library.SongMarks.assign(6, false);
  g.screens.ClearMarks.Set(f, true);
  g.screens.ClearCheckIndex = 0;
  RunClearCheck(g);
  EXPECT_EQ(g.screens.ClearCheckIndex, 6);
  EXPECT_EQ(g.library.SongMarks, (std::vector<bool>{true, false, true, false, true, true}));
  // Off, or on the jukebox list, nothing is read.
  g.screens.ClearCheckIndex = 0;
  g.library.SongMarks[0] = false;
  g.app.GameState = Screen::JukeboxList;
  RunClearCheck(g);
  EXPECT_FALSE(g.library.SongMarks[0]);
  g.app.GameState = Screen::SongList;
  g.screens.ClearCheckIndex = 0;
  g.settings.ShowClearedOnList = false;
  RunClearCheck(g);
  EXPECT_FALSE(g.library.SongMarks[0]);
  fs::permissions(FolderOf(c), fs::perms::owner_all);
}

}  // namespace
}  // namespace kvx
