#include "app/data_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/command_line.h"
#include "app/game.h"
#include "app/program.h"
#include "platform/files.h"
#include "screens/score_record.h"
#include "test_support.h"

namespace kvx {
namespace {

int ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
}

TEST(DataFolder, ChoiceOrderPortableInstalledAndWhy) {
  test::TempFolder dir;
  dir.Write("portable/_kvxfiles/kvx_scr.brd", "skin");
  dir.Write("usr/share/korvex/_kvxfiles/kvx_scr.brd", "skin");
  MakeFolder(dir.path() + "/usr/bin");
  MakeFolder(dir.path() + "/bare");
  const std::string bin = dir.path() + "/usr/bin", share = dir.path() + "/usr/share/korvex";
  EXPECT_EQ(InstalledShareFolder(bin), share);
  EXPECT_EQ(InstalledShareFolder(bin + "/"), share);

  FolderSources s{"", "", bin, "/xdg", "/home/player"};
  FolderChoice c = ChooseFolders(s);
  EXPECT_TRUE(c.installed);
  EXPECT_EQ(c.program, share);
  EXPECT_EQ(c.data, "/xdg/korvex");
  EXPECT_EQ(c.reason, "installed in " + share + "; XDG_DATA_HOME");

  s.xdg_data_home = "";
  c = ChooseFolders(s);
  EXPECT_EQ(c.data, "/home/player/.local/share/korvex");
  EXPECT_EQ(c.reason, "installed in " + share + "; ~/.local/share (XDG_DATA_HOME not set)");
  s.xdg_data_home = "relative/xdg";  // the XDG rules ignore a relative path
  c = ChooseFolders(s);
  EXPECT_EQ(c.data, "/home/player/.local/share/korvex");
  EXPECT_EQ(c.reason, "installed in " + share + "; ~/.local/share (XDG_DATA_HOME not an absolute path)");

  // KORVEX_HOME, then --data, win over an installed korvex.
  s.korvex_home = "/games/kvx";
  c = ChooseFolders(s);
  EXPECT_FALSE(c.installed);
  EXPECT_EQ(c.program, "/games/kvx");
  EXPECT_EQ(c.data, "/games/kvx/_kvxfiles");
  EXPECT_EQ(c.reason, "KORVEX_HOME");
  s.data_option = "/elsewhere";
  c = ChooseFolders(s);
  EXPECT_EQ(c.data, "/elsewhere/_kvxfiles");
  EXPECT_EQ(c.reason, "--data");

  // A _kvxfiles beside the executable (the build folder) stays portable.
  c = ChooseFolders({"", "", dir.path() + "/portable", "/xdg", "/home/player"});
  EXPECT_FALSE(c.installed);
  EXPECT_EQ(c.data, dir.path() + "/portable/_kvxfiles");
  EXPECT_EQ(c.reason, "portable: _kvxfiles beside the executable");
  // Neither: the executable's folder, whose missing _kvxfiles Main reports.
  c = ChooseFolders({"", "", dir.path() + "/bare", "/xdg", "/home/player"});
  EXPECT_FALSE(c.installed);
  EXPECT_EQ(c.data, dir.path() + "/bare/_kvxfiles");
}

TEST(DataFolder, SeedingCopiesMissingDefaultsOnlyAndKeepsThePlayersFiles) {
  test::TempFolder dir;
  const std::string defaults = dir.path() + "/share/_kvxfiles";
  dir.Write("share/_kvxfiles/kvx_scr.brd", "default skin");
  dir.Write("share/_kvxfiles/wav/decide.wav", "RIFF");
  dir.Write("share/_kvxfiles/courselist/DEMO COURSE.kcl", "course");
  dir.Write("share/_kvxfiles/kvx_searchdir.txt", "<CURRENTDIR>/songs\r\n");
  dir.Write("share/_kvxfiles/.generated", "");
  const std::string data = dir.path() + "/home/.local/share/korvex";
  MakeFolder(dir.path() + "/home");

  SeedReport r = SeedDataFolder(defaults, data, "/usr/share/korvex/songs", dir.path() + "/home");
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(r.copied, 3);
  EXPECT_TRUE(r.search_file_written);
  EXPECT_EQ(ModeOf(dir.path() + "/home/.local"), 0700);
  EXPECT_EQ(ModeOf(data), 0700);
  EXPECT_EQ(ReadFileBytes(data + "/wav/decide.wav").value_or(""), "RIFF");
  EXPECT_EQ(ReadFileBytes(data + "/courselist/DEMO COURSE.kcl").value_or(""), "course");
  EXPECT_FALSE(FileExists(data + "/.generated"));
  EXPECT_EQ(ReadFileBytes(data + "/kvx_searchdir.txt").value_or(""),
            "// Folders searched for charts, one a line (each folder and its subfolders).\r\n"
            "/usr/share/korvex/songs\r\n");

  // The player's skin stays; a deleted system sound comes back; a deleted
  // course stays deleted; the search folders are not rewritten.
  WriteFileBytes(data + "/kvx_scr.brd", "my skin");
  DeleteFile(data + "/wav/decide.wav");
  DeleteFile(data + "/courselist/DEMO COURSE.kcl");
  WriteFileBytes(data + "/kvx_searchdir.txt", "/my/songs\r\n");
  r = SeedDataFolder(defaults, data, "/usr/share/korvex/songs", dir.path() + "/home");
  EXPECT_EQ(r.copied, 1);
  EXPECT_FALSE(r.search_file_written);
  EXPECT_EQ(ReadFileBytes(data + "/kvx_scr.brd").value_or(""), "my skin");
  EXPECT_EQ(ReadFileBytes(data + "/wav/decide.wav").value_or(""), "RIFF");
  EXPECT_FALSE(FileExists(data + "/courselist/DEMO COURSE.kcl"));
  EXPECT_EQ(ReadFileBytes(data + "/kvx_searchdir.txt").value_or(""), "/my/songs\r\n");

  // ~/Music/BMS joins the search folders of a new data folder when it exists.
  MakeFolder(dir.path() + "/home/Music");
  MakeFolder(dir.path() + "/home/Music/BMS");
  EXPECT_EQ(InitialSearchFolderText("/s", dir.path() + "/home"),
            "// Folders searched for charts, one a line (each folder and its subfolders).\r\n/s\r\n" + dir.path() +
                "/home/Music/BMS\r\n");

  // A data folder that cannot be made is reported, nothing is copied.
  dir.Write("file", "x");
  r = SeedDataFolder(defaults, dir.path() + "/file/korvex", "/s", "");
  EXPECT_EQ(r.copied, 0);
  ASSERT_EQ(r.errors.size(), 1u);
  EXPECT_NE(r.errors[0].find("cannot create " + dir.path() + "/file/korvex"), std::string::npos);
}

TEST(DataFolder, InstalledGameLogsItsFolderAndKeepsRecordsOfInstalledChartsThere) {
  test::TempFolder dir;
  dir.Write("share/korvex/_kvxfiles/kvx_scr.brd", "skin");
  dir.Write("share/korvex/songs/demo/a.bms", "#TITLE A\r\n");
  Game g;
  UseFolders(g, {dir.path() + "/share/korvex", dir.path() + "/user/korvex", true, "installed; XDG_DATA_HOME"});
  EXPECT_EQ(g.paths.data, dir.path() + "/user/korvex");
  const SeedReport report = PrepareDataFolder(g);
  EXPECT_EQ(report.copied, 1);
  LogDataFolder(g, report);
  const std::string log = ReadFileBytes(g.paths.data + "/debug.txt").value_or("");
  EXPECT_NE(log.find("[Main] data folder: " + dir.path() + "/user/korvex (installed; XDG_DATA_HOME)"),
            std::string::npos);
  EXPECT_NE(log.find("[Main] 1 default files copied from " + dir.path() + "/share/korvex/_kvxfiles"),
            std::string::npos);

  // The installed songs' folder is writable here (as it is for root), yet
  // their records go to the player's folder; other charts keep theirs beside them.
  const std::string chart = dir.path() + "/share/korvex/songs/demo/a.bms";
  EXPECT_TRUE(ChartFolderReadOnly(g, chart));
  EXPECT_EQ(ScoreFileToWrite(g, chart), dir.path() + "/user/korvex/ro_score/demo/a.ksd");
  const std::string own = dir.Write("mine/b.bms", "");
  EXPECT_EQ(ScoreFileToWrite(g, own), dir.path() + "/mine/b.ksd");
  const std::string lookalike = dir.Write("share/korvex-old/c.bms", "");
  EXPECT_FALSE(ChartFolderReadOnly(g, lookalike));
  g.paths.installed = false;
  EXPECT_FALSE(ChartFolderReadOnly(g, chart));
}

TEST(DataFolder, VersionOption) {
  std::string error;
  EXPECT_TRUE(ParseOwnOptions({"--version"}, &error).version);
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(VersionLine(), "korvex 0.21.511\n");
  EXPECT_NE(PortUsage().find("--version"), std::string::npos);
}

}  // namespace
}  // namespace kvx
