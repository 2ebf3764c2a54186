// Starting the game from the startup menu: the search when no list file
// exists, a failed search that keeps the menu, and the search run from the
// search panel (headless; the real window is tested under an X server).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/game.h"
#include "app/program.h"
#include "app/settings.h"
#include "app/texts.h"
#include "library/library_state.h"
#include "menu/menu_controls.h"
#include "menu/menu_search.h"
#include "menu/startup_menu.h"
#include "platform/files.h"
#include "test_support.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;

struct MenuStart : ::testing::Test {
  test::TempFolder dir;
  Game g;
  void SetUp() override {
    test::UseHeadlessGame(g, dir.path());
    for (const char* sub : {"/jukelist", "/courselist", "/wav"}) MakeFolder(g.paths.data + sub);
  }
  std::string Log() { return dir.Read("_kvxfiles/debug.txt"); }
  // A folder of demo charts from the build.
  std::string CopyDemoSong(const std::string& to) {
    const fs::path from = fs::path(KVX_BUILD_DIR) / "songs" / "sunrise_parade";
    fs::create_directories(dir.path() + "/" + to);
    fs::copy(from, dir.path() + "/" + to + "/sunrise_parade", fs::copy_options::recursive);
    return dir.path() + "/" + to;
  }
  std::vector<std::string> ListFiles() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(g.paths.data + "/jukelist")) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(MenuStart, NoListFileAndAFailedSearchKeepTheMenu) {
  dir.Write("_kvxfiles/kvx_searchdir.txt", "// nothing to search\r\n#" + dir.path() + "/empty\r\n");
  MakeFolder(dir.path() + "/empty");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(cmdNorm_Click(g));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("No BMSs"), std::string::npos) << err;
  const std::string log = Log();
  EXPECT_NE(log.find("# BMS-list(s) aren't found. Make now."), std::string::npos) << log;
  EXPECT_EQ(log.find("[Start] preparing..."), std::string::npos) << log;  // the game did not start
  EXPECT_FALSE(g.app.started);
  EXPECT_FALSE(g.menu.busy);  // the controls are usable again
  EXPECT_FALSE(g.library.OnProgress);
  EXPECT_TRUE(ListFiles().empty());
}

TEST_F(MenuStart, NoListFileRunsTheSearchFirstThenTheGameStarts) {
  const std::string packs = CopyDemoSong("packs");
  dir.Write("_kvxfiles/kvx_searchdir.txt", packs + "\r\n");
  bool closed = false;
  g.pump.AddSource([&](std::vector<PlatformEvent>& events) {
    if (g.app.Running && !closed) {
      closed = true;
      events.push_back(PlatformEvent{});  // closes the game window once the song list runs
    }
  });
  EXPECT_EQ(RunGame(g), 0);  // headless: the start button is pressed at once
  EXPECT_TRUE(closed);
  EXPECT_EQ(ListFiles(), (std::vector<std::string>{"packs.kbl"}));
  const std::string log = Log();
  const size_t search = log.find("# BMS-list(s) aren't found. Make now.");
  const size_t start = log.find("[Start] preparing...");
  ASSERT_NE(search, std::string::npos) << log;
  ASSERT_NE(start, std::string::npos) << log;
  EXPECT_LT(search, start);
  EXPECT_EQ(log.find("# BMS-list(s) aren't found.", search + 1), std::string::npos);  // searched once
  EXPECT_NE(log.find("initialize complete. songlist mode."), std::string::npos);
}

TEST_F(MenuStart, SearchPanelRewritesTheFileAndReportsProgress) {
  const std::string a = CopyDemoSong("a");
  const std::string b = CopyDemoSong("b");
  dir.Write("_kvxfiles/kvx_searchdir.txt", "#" + a + "\r\n//kept comment\r\n");
  OpenSearchPanel(g);
  ASSERT_EQ(g.menu.folders.entries.size(), 1u);
  g.menu.folders.entries[0].checked = true;
  AddChosenFolder(g, b);
  g.menu.chkNoLimit = true;
  EXPECT_TRUE(StartMenuSearch(g));
  EXPECT_EQ(dir.Read("_kvxfiles/kvx_searchdir.txt"), "//kept comment\r\n" + a + "\r\n" + b + "\r\n");
  EXPECT_EQ(ListFiles(), (std::vector<std::string>{"a.kbl", "b.kbl"}));
  EXPECT_EQ(g.menu.title, "korvex startup menu");  // the progress title goes after the search
  ASSERT_EQ(g.library.SearchResults.size(), 2u);
  const int charts = g.library.SearchResults[0].charts;
  EXPECT_GT(charts, 0);
  EXPECT_EQ(g.library.SearchResults[1].charts, charts);
  EXPECT_EQ(SearchSummaryLine(g, kTextsEn), "Scan complete: " + std::to_string(2 * charts) + " charts in 2 folders.");
  EXPECT_EQ(g.menu.progress.folders, 2);
  EXPECT_EQ(g.menu.progress.folder, 2);
  // "4 of 4 charts": the two charts of each folder, not the two jukeboxes.
  EXPECT_EQ(g.menu.progress.charts_read, 4);
  EXPECT_EQ(g.menu.progress.charts_found, 4);
  EXPECT_TRUE(g.menu.status.empty());
  EXPECT_FALSE(g.menu.busy);
  EXPECT_FALSE(g.library.NoDepthLimit);  // only for the menu's own search
  EXPECT_FALSE(g.library.OnProgress);
}

// A list file that cannot be written (here a folder stands in its place, as a
// full disk would refuse it) is named in the log and the menu's
// status line; the search does not call itself complete.
TEST_F(MenuStart, AListFileThatCannotBeSavedIsReported) {
  const std::string a = CopyDemoSong("a");
  const std::string b = CopyDemoSong("b");
  dir.Write("_kvxfiles/kvx_searchdir.txt", a + "\r\n" + b + "\r\n");
  dir.Write("_kvxfiles/jukelist/b.kbl/in_the_way", "x");
  OpenSearchPanel(g);
  EXPECT_TRUE(StartMenuSearch(g));  // a.kbl was saved
  EXPECT_EQ(g.menu.status, "検索は終わりましたが、リストを保存できませんでした(ディスクがいっぱいか書き込めません): b.kbl");
  EXPECT_EQ(SearchSummaryLine(g, kTextsEn).rfind("Scan done, but not every list was saved: ", 0), 0u) << SearchSummaryLine(g, kTextsEn);
  EXPECT_EQ(SearchSummaryLine(g, kTextsJa).rfind("検索は終わりましたが、保存できなかったリストがあります: ", 0), 0u);
  EXPECT_EQ(g.library.UnsavedListFiles, std::vector<std::string>{g.paths.data + "/jukelist/b.kbl"});
  EXPECT_NE(Log().find("Error: the list file could not be saved: " + g.paths.data + "/jukelist/b.kbl ("),
            std::string::npos)
      << Log();
}

TEST_F(MenuStart, AMissingOrChartlessFolderIsMarkedAndTheTotalsAreGiven) {
  const std::string pack = CopyDemoSong("pack");
  MakeFolder(dir.path() + "/empty");
  dir.Write("_kvxfiles/kvx_searchdir.txt", "");
  OpenSearchPanel(g);
  for (const std::string& folder : {pack, dir.path() + "/gone", dir.path() + "/empty", dir.path() + "/skipped"})
    AddChosenFolder(g, folder);
  g.menu.folders.entries[3].checked = false;
  EXPECT_EQ(SearchResultOf(g, g.menu.folders.entries[0]), nullptr);  // before any search
  EXPECT_TRUE(StartMenuSearch(g));
  const auto& results = g.library.SearchResults;
  ASSERT_EQ(results.size(), 3u);  // the unchecked folder is not searched
  const int charts = results[0].charts;
  EXPECT_GT(charts, 0);
  EXPECT_EQ(results[1], (SearchFolderResult{dir.path() + "/gone", false, 0}));
  EXPECT_EQ(results[2], (SearchFolderResult{dir.path() + "/empty", true, 0}));
  // The list's marks, the totals under it and in the log, and the title back.
  std::vector<std::string> marks;
  for (const SearchFolderEntry& e : g.menu.folders.entries) {
    const SearchFolderResult* r = SearchResultOf(g, e);
    marks.push_back(r ? SearchResultMark(*r, kTextsEn) + "/" + SearchResultMark(*r, kTextsJa) : "-");
  }
  const std::string n = std::to_string(charts);
  EXPECT_EQ(marks, (std::vector<std::string>{n + " charts/" + n + "譜面", "not found/見つかりません", "no charts/譜面なし",
                                             "-"}));
  const std::string totals =
      std::to_string(charts) + " charts in 3 folders; 1 folder not found; 1 folder without charts";
  EXPECT_EQ(SearchSummaryLine(g, kTextsEn), "Scan complete: " + totals + ".");
  EXPECT_EQ(SearchSummaryLine(g, kTextsJa), "検索完了: " + n + "譜面(3フォルダを検索)、1フォルダが見つかりません、1フォルダに譜面なし。");
  EXPECT_EQ(g.menu.title, "korvex startup menu");
  const std::string log = Log();
  EXPECT_NE(log.find("  folder not found: " + dir.path() + "/gone"), std::string::npos) << log;
  EXPECT_NE(log.find("  no charts in " + dir.path() + "/empty"), std::string::npos) << log;
  EXPECT_NE(log.find("  " + std::to_string(charts) + " charts in " + pack), std::string::npos) << log;
  EXPECT_NE(log.find("found " + totals), std::string::npos) << log;
  // A search that finds nothing says so with the same totals (the jukebox
  // of the earlier search stays).
  g.menu.folders.entries[0].checked = false;
  StartMenuSearch(g);
  EXPECT_EQ(SearchSummaryLine(g, kTextsEn),
            "No charts found: 0 charts in 2 folders; 1 folder not found; 1 folder without charts.");
  EXPECT_EQ(SearchSummaryLine(g, kTextsJa), "譜面が見つかりません: 0譜面(2フォルダを検索)、1フォルダが見つかりません、1フォルダに譜面なし。");
  EXPECT_EQ(SearchResultOf(g, g.menu.folders.entries[0]), nullptr);
  EXPECT_EQ(g.menu.title, "korvex startup menu");
}

TEST_F(MenuStart, ClosingTheMenuEndsTheProgramAndKeepsItsChanges) {
  LoadSettings(g);
  LoadStartupMenu(g);
  SetMenuUserName(g, "Rin");
  int code = -1;
  try {
    CloseStartupMenu(g);
  } catch (const ProgramExit& exit) {
    code = exit.code;
  }
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(g.menu.started);
  EXPECT_NE(dir.Read("_kvxfiles/kvx_conf.ini").find("MyName=Rin"), std::string::npos);
  EXPECT_EQ(dir.Read("_kvxfiles/kvx_keycnf.dat").size(), 802u);
  EXPECT_EQ(Log().find("[Start] preparing..."), std::string::npos);
}

}  // namespace
}  // namespace kvx
