// The chart search: the search-folder file, the folder walk and its order,
// the list files it writes and the "No BMSs" end.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "app/game.h"
#include "library/bms_search.h"
#include "library/jukebox.h"
#include "library/list_file.h"
#include "library/song_search.h"
#include "platform/files.h"
#include "test_support.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;

std::string Chart(const std::string& title, int last_measure = 9) {
  char notes[32];
  std::snprintf(notes, sizeof notes, "#%03d11:01", last_measure);
  return "\r\n#TITLE " + title + "\r\n#BPM 120\r\n" + notes + "\r\n";
}

struct Search : ::testing::Test {
  test::TempFolder dir;
  Game g;
  void SetUp() override {
    test::UseHeadlessGame(g, dir.path());
    MakeFolder(g.paths.In("jukelist"));
  }
  void SearchFile(const std::string& text) { dir.Write("_kvxfiles/kvx_searchdir.txt", text); }
  std::string Log() { return dir.Read("_kvxfiles/debug.txt"); }
  bool Logged(const std::string& line) { return Log().find(line + "\r\n") != std::string::npos; }
  // Runs the search, returning its result and what it wrote to stderr.
  std::pair<bool, std::string> Run() {
    testing::internal::CaptureStderr();
    bool ok = MakeBMSListFile(g, false);
    return {ok, testing::internal::GetCapturedStderr()};
  }
  std::vector<std::string> Found(std::string folder, const std::string& masks = "*.bms;*.bme") {
    g.library.FoundFiles.clear();
    SearchFolderTree(g, folder, masks, true);
    std::vector<std::string> names;
    for (const auto& f : g.library.FoundFiles) names.push_back(f.substr(dir.path().size() + 1));
    return names;
  }
  std::vector<std::string> Titles(const std::string& list) {
    std::vector<std::string> titles;
    for (const auto& e : DecodeListFile(dir.Read(list)).entries) titles.push_back(e.Title);
    return titles;
  }
};

TEST_F(Search, OnlyCommentsAndSwitchedOffFoldersGiveNoBMSs) {
  dir.Write("songs/a.bms", Chart("A"));
  SearchFile("// folders to search\r\n//" + dir.path() + "/songs\r\n#" + dir.path() + "/songs\r\n\r\n");
  auto [ok, err] = Run();
  EXPECT_FALSE(ok);
  EXPECT_NE(err.find("No BMSs: BMSファイルが見つかりません。「BMS再検索」で検索フォルダを追加してBMS検索をしてください。"),
            std::string::npos);
  EXPECT_TRUE(Logged("[MakeBMSListFile] depth limit:True"));
  EXPECT_TRUE(Logged("seeking #" + dir.path() + "/songs"));  // "#" names a folder that does not exist
  EXPECT_TRUE(Logged("0 juke(s) has detected."));
  EXPECT_EQ(Log().find("complete.\r\n"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(g.paths.In("jukelist")));
  EXPECT_EQ(g.library.JukeListLast, -1);
  EXPECT_EQ(g.log.Level(), 0);
  // No search file at all: the same.
  DeleteFile(g.paths.In("kvx_searchdir.txt"));
  EXPECT_FALSE(Run().first);
}

TEST_F(Search, PlaceholderCommentsAndTrailingSeparatorsNameTheFolder) {
  dir.Write("songs/x/one.bms", Chart("One"));
  dir.Write("mix/two.bme", Chart("Two"));
  dir.Write("tunes/three.bms", Chart("Three"));
  SearchFile("<currentdir>\\songs\r\n<CurrentDir>\\mix\\\\\r\n<CURRENTDIR>/tunes  // not trimmed\r\n"
             "<CURRENTDIR>/tunes/\r\n");
  auto [ok, err] = Run();
  EXPECT_TRUE(ok);
  EXPECT_EQ(err, "");
  EXPECT_TRUE(Logged("seeking " + dir.path() + "\\songs"));
  EXPECT_TRUE(Logged("seeking " + dir.path() + "\\mix\\\\"));
  EXPECT_TRUE(Logged("seeking " + dir.path() + "/tunes  "));  // cut at the comment, not trimmed
  EXPECT_TRUE(Logged("complete."));
  EXPECT_EQ(g.library.ProgressTitle, "Scan complete.");
  // The lower-case placeholder expands; the walk reaches the direct subfolder.
  EXPECT_EQ(Titles("_kvxfiles/jukelist/songs.kbl"), std::vector<std::string>{"One"});
  // Two trailing separators still name the folder, for the walk and the list.
  EXPECT_EQ(Titles("_kvxfiles/jukelist/mix.kbl"), std::vector<std::string>{"Two"});
  // "tunes  " keeps its spaces: that folder does not exist, so it has no list.
  EXPECT_FALSE(FileExists(g.paths.In("jukelist/tunes  .kbl")));
  const auto tunes = DecodeListFile(dir.Read("_kvxfiles/jukelist/tunes.kbl")).entries;
  ASSERT_EQ(tunes.size(), 1u);
  EXPECT_EQ(tunes[0].Title, "Three");
  EXPECT_EQ(tunes[0].FilePath, dir.path() + "/tunes/three.bms");
  EXPECT_EQ(tunes[0].LengthMs, 18000);
  // The search ends with the jukebox list in SongList.
  ASSERT_EQ(g.library.JukeListLast, 2);
  EXPECT_EQ(g.library.SongList, g.library.JukeList);
  EXPECT_EQ(g.library.JukeList[0].Title, "mix");
  EXPECT_EQ(g.library.JukeList[1].Title, "songs");
  EXPECT_EQ(g.library.JukeList[2].Title, "tunes");
  EXPECT_TRUE(Logged("3 juke(s) has detected."));
  EXPECT_EQ(g.log.Level(), 0);
}

TEST_F(Search, OldListsStayAndTheLaterFolderOfOneNameWins) {
  dir.Write("a/songs/first.bms", Chart("First"));
  dir.Write("b/songs/second.bms", Chart("Second"));
  SearchFile(dir.path() + "/a/songs\r\n" + dir.path() + "/b/songs\r\n");
  ASSERT_TRUE(Run().first);
  EXPECT_EQ(Titles("_kvxfiles/jukelist/songs.kbl"), std::vector<std::string>{"Second"});
  // A folder without charts writes nothing; the list of an earlier search stays
  // and still counts.
  fs::remove_all(dir.path() + "/a");
  fs::remove_all(dir.path() + "/b");
  SearchFile(dir.path() + "/a/songs\r\n");
  EXPECT_TRUE(Run().first);
  EXPECT_EQ(Titles("_kvxfiles/jukelist/songs.kbl"), std::vector<std::string>{"Second"});
}

TEST_F(Search, ChartFilesAreLeftUntouched) {
  const std::string bytes = Chart("Keep") + "#WAV01 a.wav\r\n";
  const std::string path = dir.Write("songs/keep.bms", bytes);
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(24));
  const auto stamp = fs::last_write_time(path);
  SearchFile(dir.path() + "/songs\r\n");
  ASSERT_TRUE(Run().first);
  EXPECT_EQ(dir.Read("songs/keep.bms"), bytes);
  EXPECT_EQ(fs::last_write_time(path), stamp);
  EXPECT_EQ(fs::directory_iterator(dir.path() + "/songs")->path().filename(), "keep.bms");
}

TEST_F(Search, AListThatCannotBeWrittenIsSkippedWithoutAMessage) {
  dir.Write("songs/a.bms", Chart("A"));
  dir.Write("more/b.bms", Chart("B"));
  fs::create_directories(g.paths.In("jukelist/songs.kbl"));  // a folder where the list would go
  SearchFile(dir.path() + "/songs\r\n" + dir.path() + "/more\r\n");
  auto [ok, err] = Run();
  EXPECT_TRUE(ok);
  EXPECT_EQ(err, "");
  ASSERT_EQ(g.library.JukeListLast, 0);
  EXPECT_EQ(g.library.JukeList[0].Title, "more");
}

TEST_F(Search, DepthLimitAndNoDepthLimit) {
  dir.Write("A/top.bms", Chart("top"));
  dir.Write("A/x/mid.bms", Chart("mid"));
  dir.Write("A/x/y/deep.bms", Chart("deep"));
  EXPECT_EQ(Found(dir.path() + "/A"), (std::vector<std::string>{"A/top.bms", "A/x/mid.bms"}));
  EXPECT_EQ(g.library.SearchDepth, 0);
  g.library.NoDepthLimit = true;
  EXPECT_EQ(Found(dir.path() + "/A"), (std::vector<std::string>{"A/top.bms", "A/x/mid.bms", "A/x/y/deep.bms"}));
  EXPECT_EQ(g.library.SearchDepth, 0);
  // Without recursion only the folder itself.
  g.library.FoundFiles.clear();
  std::string folder = dir.path() + "/A";
  SearchFolderTree(g, folder, "*.bms", false);
  EXPECT_EQ(g.library.FoundFiles, std::vector<std::string>{dir.path() + "/A/top.bms"});
  EXPECT_EQ(folder, dir.path() + "/A/");  // the caller's text gains its separator
}

TEST_F(Search, FolderOrderMasksAndProgress) {
  for (const char* f : {"S/b.bme", "S/C.BMS", "S/a.bms", "S/B.bms", "S/d.bmsx", "S/e.txt", "S/.hidden/h.bms",
                        "S/Zeta/z.bms", "S/alpha/q.BME", "S/alpha/p.bms"})
    dir.Write(f, Chart(f));
  fs::create_directories(dir.path() + "/S/folder.bms");  // a folder is never a chart
  EXPECT_EQ(Found(dir.path() + "/S"),
            (std::vector<std::string>{"S/a.bms", "S/B.bms", "S/C.BMS", "S/b.bme", "S/alpha/p.bms", "S/alpha/q.BME",
                                      "S/Zeta/z.bms"}));
  EXPECT_EQ(g.library.ProgressTitle, "Seaching 7... " + dir.path() + "/S/Zeta/");

  g.library.FoundFiles = {"earlier"};
  FindFilesInFolder(g, dir.path() + "/S/", "*.BME;?.bms");
  EXPECT_EQ(g.library.FoundFiles, (std::vector<std::string>{"earlier", dir.path() + "/S/b.bme",
                                                            dir.path() + "/S/a.bms", dir.path() + "/S/B.bms",
                                                            dir.path() + "/S/C.BMS"}));
  EXPECT_EQ(g.library.ProgressTitle, "Seaching 5... " + dir.path() + "/S/");

  EXPECT_TRUE(MatchesMask("Song.BmS", "*.bms"));
  EXPECT_TRUE(MatchesMask("a.b.bms", "*.bms"));
  EXPECT_FALSE(MatchesMask("a.bmsx", "*.bms"));
  EXPECT_FALSE(MatchesMask("bms", "*.bms"));
  EXPECT_TRUE(MatchesMask("x", "*"));
  EXPECT_TRUE(MatchesMask("ab", "a?"));
  EXPECT_FALSE(MatchesMask("abc", "a?"));
}

TEST_F(Search, LinkLoopsAndUnreadableFoldersEnd) {
  dir.Write("L/a.bms", Chart("a"));
  dir.Write("L/sub/b.bms", Chart("b"));
  fs::create_directory_symlink(dir.path() + "/L", dir.path() + "/L/sub/back");
  fs::create_directory_symlink(dir.path() + "/L/sub", dir.path() + "/L/sub/self");
  fs::create_directories(dir.path() + "/L/closed");
  dir.Write("L/closed/c.bms", Chart("c"));
  ::chmod((dir.path() + "/L/closed").c_str(), 0);
  const bool root = ::geteuid() == 0;  // root reads the closed folder anyway
  g.library.NoDepthLimit = true;
  auto found = Found(dir.path() + "/L");
  std::vector<std::string> expected{"L/a.bms"};
  if (root) expected.push_back("L/closed/c.bms");
  expected.push_back("L/sub/b.bms");
  EXPECT_EQ(found, expected);
  EXPECT_EQ(g.library.SearchDepth, 0);
  ::chmod((dir.path() + "/L/closed").c_str(), 0755);
}

// The headers are read on two threads; the list must be exactly the one
// AddSongFile gives file by file, without the file that is no chart.
TEST_F(Search, ManyChartsLandInFoundOrder) {
  for (int i = 0; i < 150; ++i) {
    const std::string name = "P/s" + std::to_string(i % 7) + "/c" + std::to_string(i) + (i % 3 ? ".bms" : ".bme");
    dir.Write(name, Chart("T" + std::to_string(i), 1 + i % 20));
  }
  dir.Write("P/s3/broken.bms", std::string("\0\0\xff", 3));
  std::string folder = dir.path() + "/P";
  ClearSongList(g);
  SearchBMSFolder(g, folder);
  EXPECT_EQ(folder, dir.path() + "/P/");
  const std::vector<SongEntry> searched = g.library.SongList;
  const int64_t total = g.library.TotalPlayTime;
  const std::string title = g.library.ProgressTitle;
  ASSERT_EQ(searched.size(), 150u);

  Game one;
  one.library.FoundFiles = g.library.FoundFiles;
  for (const auto& path : g.library.FoundFiles)
    if (path.find("broken") == std::string::npos) AddSongFile(one, path);
  EXPECT_EQ(searched, one.library.SongList);
  EXPECT_EQ(total, one.library.TotalPlayTime);
  EXPECT_EQ(title, one.library.ProgressTitle);
  EXPECT_EQ(g.library.SongListLast, 149);
  int64_t sum = 0;
  for (const auto& e : searched) sum += e.LengthMs;
  EXPECT_EQ(total, sum);
  EXPECT_EQ(title, "Adding...151 files of 150files / " + FormatPlayTime(sum));
}

// A chart with a tempo change on channel 08: by the modern rules measure 0
// at 120 BPM (2000 ms) and measure 1 at 240 (1000 ms): 3000 ms; the classic
// scan knows no channel 08 and stops at the last measure's start: 2000 ms.
// 40 copies take the two-thread path. An empty file and binary garbage are
// no charts: skipped with a log line, nothing written beside them.
TEST_F(Search, TheSearchReadsByTheRulesInForceAndSkipsNonCharts) {
  const std::string chart = "#TITLE Fast\r\n#BPM 120\r\n#BPM01 240\r\n#00108:01\r\n#00111:01\r\n";
  for (int i = 0; i < 40; ++i) dir.Write("M/c" + std::to_string(i) + ".bms", chart);
  dir.Write("M/empty.bms", "");
  dir.Write("M/noise.bms", std::string("\x01\xFF\r\n#\x80\x81\r\n\0#TITLE x", 16));
  SearchFile(dir.path() + "/M\r\n");
  for (bool modern : {true, false}) {
    g.settings.ModernCharts = modern;
    ASSERT_TRUE(Run().first);
    const std::string list = dir.Read("_kvxfiles/jukelist/M.kbl");
    const DecodedList decoded = DecodeListFile(list);
    ASSERT_EQ(decoded.entries.size(), 40u) << modern;
    for (const SongEntry& e : decoded.entries) EXPECT_EQ(e.LengthMs, modern ? 3000 : 2000) << e.FilePath;
    EXPECT_EQ(decoded.modernRules, modern);
    EXPECT_EQ(list[kListRulesOffset], modern ? 'M' : '\0');
  }
  EXPECT_TRUE(Logged("not a chart (no chart command), skipped: " + dir.path() + "/M/empty.bms"));
  EXPECT_TRUE(Logged("not a chart (no chart command), skipped: " + dir.path() + "/M/noise.bms"));
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path() + "/M")) ++files;
  EXPECT_EQ(files, 42u) << "nothing written beside the charts";

  // A list made under the other rules is read again when it is opened.
  const std::string path = g.paths.In("jukelist/M.kbl");
  g.settings.ModernCharts = true;
  LoadListFile(g, path, true);
  ASSERT_EQ(g.library.SongList.size(), 40u);
  EXPECT_EQ(g.library.SongList[0].LengthMs, 3000);
  EXPECT_TRUE(DecodeListFile(dir.Read("_kvxfiles/jukelist/M.kbl")).modernRules);
  EXPECT_EQ(DecodeListFile(dir.Read("_kvxfiles/jukelist/M.kbl")).entries[39].LengthMs, 3000);
  EXPECT_TRUE(Logged("list made under the classic rules, 40 charts read again: " + path));
}

}  // namespace
}  // namespace kvx
