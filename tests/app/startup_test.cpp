#include "app/startup.h"

#include <gtest/gtest.h>

#include <regex>

#include "app/game.h"
#include "app/key_table.h"
#include "app/program.h"
#include "platform/files.h"
#include "platform/text.h"
#include "test_support.h"

namespace kvx {
namespace {

TEST(KeyTable, DefaultTableAndFileLayout) {
  KeyTableArray table{};
  table[100] = 7;
  ApplyDefaultKeyTable(table);
  EXPECT_EQ(table[44], 11);  // Z
  EXPECT_EQ(table[57], 16);  // Space
  EXPECT_EQ(table[42], 16);  // left Shift
  EXPECT_EQ(table[28], 29);  // Enter
  EXPECT_EQ(table[100], 7);  // entries not in the table keep their values
  for (int f = 1; f <= 8; ++f) EXPECT_EQ(std::count(table.begin(), table.end(), f), f == 7 ? 1 : 0);

  table[400] = -2;
  std::string bytes = EncodeKeyTable(table);
  ASSERT_EQ(bytes.size(), 802u);
  EXPECT_EQ(bytes[88], 11);  // index 44, little-endian
  EXPECT_EQ(bytes[89], 0);
  EXPECT_EQ(static_cast<uint8_t>(bytes[800]), 0xFE);
  EXPECT_EQ(static_cast<uint8_t>(bytes[801]), 0xFF);
  EXPECT_EQ(DecodeKeyTable(bytes), table);
  EXPECT_EQ(DecodeKeyTable(bytes.substr(0, 801)), std::nullopt);
}

struct StartupFixture : ::testing::Test {
  test::TempFolder dir;
  Game g;
  void SetUp() override {
    g.SetProgramFolder(dir.path());
    g.options.headless = true;
    MakeFolder(g.paths.data);
  }
  std::string Log() { return dir.Read("_kvxfiles/debug.txt"); }
};

TEST_F(StartupFixture, KeyFileMissingZeroLengthAndValid) {
  LoadKeyTable(g);
  EXPECT_EQ(g.app.KeyTable[44], 11);
  EXPECT_NE(Log().find("# Key-config file wasn't detected. Load default setting."), std::string::npos);

  KeyTableArray custom{};
  custom[30] = 11;
  dir.Write("_kvxfiles/kvx_keycnf.dat", EncodeKeyTable(custom));
  LoadKeyTable(g);
  EXPECT_EQ(g.app.KeyTable[30], 11);
  EXPECT_EQ(g.app.KeyTable[44], 0);
  EXPECT_NE(Log().find("Key-config loaded."), std::string::npos);

  dir.Write("_kvxfiles/kvx_keycnf.dat", "");  // present, but reading it fails
  testing::internal::CaptureStderr();
  LoadKeyTable(g);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("キーコンフィグをリセットしました。"), std::string::npos);
  EXPECT_EQ(g.app.KeyTable[44], 11);
  EXPECT_EQ(g.app.KeyTable[30], 0);
  // The short file is set aside; the default table starts afresh.
  EXPECT_TRUE(FileExists(g.paths.data + "/kvx_keycnf.dat.damaged"));
  EXPECT_FALSE(FileExists(g.paths.data + "/kvx_keycnf.dat"));
  EXPECT_NE(Log().find("# damaged key table (only 0 of 802 bytes) set aside as"), std::string::npos);
}

// A table holding a function no button can have is damaged: set aside, with
// the notice, and the default table is used. Every function a button can
// have is kept.
TEST_F(StartupFixture, AKeyTableWithImpossibleFunctionsIsSetAside) {
  KeyTableArray every{};
  const int16_t functions[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                               21, 22, 23, 24, 25, 26, 27, 28, 29};
  for (size_t i = 0; i < std::size(functions); ++i) every[i] = functions[i];
  dir.Write("_kvxfiles/kvx_keycnf.dat", EncodeKeyTable(every) + "TAIL");
  LoadKeyTable(g);
  EXPECT_EQ(g.app.KeyTable, every);
  for (int16_t bad : {9, 10, 20, 30, -1, 12345}) {
    SCOPED_TRACE(bad);
    KeyTableArray table = every;
    table[300] = bad;
    const std::string bytes = EncodeKeyTable(table);
    dir.Write("_kvxfiles/kvx_keycnf.dat", bytes);
    DeleteFile(g.paths.data + "/kvx_keycnf.dat.damaged");
    testing::internal::CaptureStderr();
    LoadKeyTable(g);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("キーコンフィグをリセットしました。"), std::string::npos);
    EXPECT_EQ(g.app.KeyTable[44], 11);  // the default table
    EXPECT_EQ(g.app.KeyTable[0], 0);
    EXPECT_EQ(dir.Read("_kvxfiles/kvx_keycnf.dat.damaged"), bytes);
    EXPECT_NE(Log().find("# damaged key table (button 300 has function " + std::to_string(bad) + ")"),
              std::string::npos);
  }
}

TEST_F(StartupFixture, WholeRunWritesBannerKeyTableAndSettings) {
  dir.Write("_kvxfiles/debug.txt", "old run\r\n");
  dir.Write("_kvxfiles/kvx_searchdir.txt", "<CURRENTDIR>/songs\r\n");
  dir.Write("songs/a/a.bms", "\r\n#TITLE A\r\n#BPM 120\r\n#00111:01\r\n");
  // The window is closed as soon as the song list runs.
  bool closed = false;
  g.pump.AddSource([&](std::vector<PlatformEvent>& events) {
    if (g.app.Running && !closed) {
      closed = true;
      events.push_back(PlatformEvent{});
    }
  });
  EXPECT_EQ(RunGame(g), 0);
  EXPECT_TRUE(closed);
  std::string log = Log();
  EXPECT_EQ(log.find("old run"), std::string::npos);  // deleted at start
  auto lines = SplitLines(log);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0].substr(10), std::string(67, '-'));
  EXPECT_TRUE(std::regex_match(lines[1].substr(10),
                               std::regex(R"(\[Main\] korvex 0\.21\(511\) start on \d{4}/\d\d/\d\d \d\d:\d\d:\d\d)")))
      << lines[1];
  EXPECT_NE(log.find("[ExitApp]"), std::string::npos);
  EXPECT_NE(log.find("initialize complete. songlist mode."), std::string::npos);
  EXPECT_EQ(dir.Read("_kvxfiles/kvx_keycnf.dat").size(), 802u);
  EXPECT_NE(dir.Read("_kvxfiles/kvx_conf.ini").find("PreviewDelay=500"), std::string::npos);
  for (const char* sub : {"jukelist", "courselist", "wav"}) EXPECT_TRUE(FolderExists(g.paths.data + "/" + sub));
}

TEST(Startup, MissingDataFolderStopsWithTheCriticalMessage) {
  test::TempFolder dir;
  Game g;
  g.SetProgramFolder(dir.path());
  g.options.headless = true;
  testing::internal::CaptureStderr();
  EXPECT_EQ(RunGame(g), 1);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("critical error"), std::string::npos);
  EXPECT_NE(err.find("_kvxfilesフォルダが存在しません。"), std::string::npos);
  EXPECT_FALSE(FolderExists(dir.path() + "/_kvxfiles"));
  EXPECT_FALSE(FileExists(dir.path() + "/_kvxfiles/kvx_conf.ini"));
}

TEST(Startup, TablesRectsAndPreviewInterval) {
  auto letters = MakeRankLetters();
  EXPECT_EQ(letters[0], "SS");
  EXPECT_EQ(letters[7], "F");
  auto levels = MakeLevelTable();
  EXPECT_EQ(std::vector<int32_t>(levels.begin(), levels.end()),
            (std::vector<int32_t>{1, 2, 6, 8, 2, 4, 12, 16, 3, 6, 18, 24, 4, 8, 24, 32}));
  Game g;
  SetBuiltInRects(g);
  EXPECT_EQ(g.screens.RectD[3], (Rect{0, 77, 70, 96}));
  EXPECT_EQ(g.screens.RectG[9][1], (Rect{192, 180, 252, 200}));
  EXPECT_EQ(g.screens.RectH[2], (Rect{18, 100, 27, 118}));
  for (const auto& r : g.screens.RectJ) {
    EXPECT_GE(r.left, 0);
    EXPECT_LT(r.left, 192);
    EXPECT_EQ(r.Width(), 192);
    EXPECT_EQ(r.Height(), 144);
  }
  EXPECT_EQ(PreviewIntervalFromWait("0"), 1);
  EXPECT_EQ(PreviewIntervalFromWait(""), 1);
  EXPECT_EQ(PreviewIntervalFromWait("abc"), 1);
  EXPECT_EQ(PreviewIntervalFromWait("1.5"), 1500);
  SetStartupValues(g);
  EXPECT_EQ(g.app.Records.size(), 10001u);
  EXPECT_FLOAT_EQ(g.app.DegToRad, static_cast<float>(3.1415 / 180));
}

}  // namespace
}  // namespace kvx
