#include "app/settings.h"

#include <gtest/gtest.h>

#include "app/game.h"
#include "app/key_table.h"
#include "platform/files.h"
#include "platform/text.h"
#include "test_support.h"

namespace kvx {
namespace {

struct SettingsFixture : ::testing::Test {
  test::TempFolder dir;
  Game g;
  void SetUp() override {
    g.SetProgramFolder(dir.path());
    MakeFolder(g.paths.data);
  }
  void WriteIni(const std::string& text) { dir.Write("_kvxfiles/kvx_conf.ini", text); }
};

TEST_F(SettingsFixture, MissingFileGivesTheMissingFileColumn) {
  g.settings.CourseLoadMode = 5;
  g.settings.MyName = "x";
  LoadSettings(g);
  EXPECT_EQ(g.settings.HiSpeed, 1.0f);
  EXPECT_EQ(g.settings.RealHiSpeed, 1.0f);
  EXPECT_TRUE(g.settings.UserPlay);
  EXPECT_EQ(g.settings.CourseLoadMode, 0);
  EXPECT_EQ(g.settings.MyName, "Default");
  EXPECT_EQ(g.settings.brd, g.paths.data + "/kvx_scr.brd");
  EXPECT_EQ(g.settings.PreviewDelay, 500);
  EXPECT_FALSE(g.settings.ComboLinkedHiSpeed);
  EXPECT_FALSE(FileExists(SettingsPath(g)));  // the loader never creates the file
}

// A trimmed or damaged file: every key that is missing or holds a value it
// cannot take gets its own default, or the value of a new file, so the notes,
// the sound and the gauge stay on; one log line names the keys repaired.
TEST_F(SettingsFixture, MissingKeysAndBadValues) {
  WriteIni("[Setting]\r\nSleep=abc\r\nNoBGA=true\r\nNoWAV=7\r\nShowObj=0\r\nRealHiSpeed=1.5\r\n"
           "ScreenColors=9\r\nDRAWLIMIT=0\r\nCourseLoadMode=2\r\n");
  LoadSettings(g);
  EXPECT_EQ(g.settings.Sleep, 0);  // abc: the default; loading goes on
  EXPECT_TRUE(g.settings.NoBGA);
  EXPECT_TRUE(g.settings.NoWAV);  // a non-zero number is true
  EXPECT_FALSE(g.settings.ShowObj);  // a value in the file is kept
  EXPECT_TRUE(g.settings.ShowBGA);
  EXPECT_TRUE(g.settings.PlaySound);
  EXPECT_TRUE(g.settings.ShowGauge);
  EXPECT_TRUE(g.settings.UserPlay);
  EXPECT_EQ(g.settings.HiSpeed, 1.0f);  // no HiSpeed key: the new file's 1.0 ...
  EXPECT_FALSE(g.settings.ComboLinkedHiSpeed);  // ... not the combo-linked mode
  EXPECT_EQ(g.settings.RealHiSpeed, 1.5f);
  EXPECT_EQ(g.settings.CourseLoadMode, 2);
  EXPECT_EQ(g.settings.ScreenColors, 1);  // 9 is no colour depth: the key's default
  EXPECT_EQ(g.settings.DRAWLIMIT, 1);
  EXPECT_EQ(g.settings.MyName, "Default");
  EXPECT_EQ(g.settings.Font, "ＭＳ Ｐゴシック");
  EXPECT_TRUE(g.settings.WaitVBlank);
  EXPECT_TRUE(g.settings.CourseEffect);
  EXPECT_EQ(g.settings.PreviewDelay, 500);
  const std::string log = dir.Read("_kvxfiles/debug.txt");
  const std::string prefix = "[LoadSettings] missing or invalid keys set to their defaults: Sleep, ShowBGA, PlaySound, ";
  ASSERT_NE(log.find(prefix), std::string::npos) << log;
  const std::string line = log.substr(log.find(prefix), log.find_first_of("\r\n", log.find(prefix)) - log.find(prefix)) + ",";
  for (const char* key : {"UserPlay", "HiSpeed", "ShowGauge", "ScreenColors", "DRAWLIMIT", "ModernCharts"})
    EXPECT_NE(line.find(std::string(" ") + key + ","), std::string::npos) << key;
  for (const char* key : {"NoBGA", "NoWAV", "ShowObj", "RealHiSpeed", "CourseLoadMode"})
    EXPECT_EQ(line.find(std::string(" ") + key + ","), std::string::npos) << key;
  EXPECT_EQ(log.find("[LoadSettings]", log.find(prefix) + 1), std::string::npos);  // one line

  // Saved and read back, the repaired values stay and nothing is repaired again.
  SaveSettings(g);
  g.settings.ShowBGA = false;
  dir.Write("_kvxfiles/debug.txt", "");
  LoadSettings(g);
  EXPECT_TRUE(g.settings.ShowBGA);
  EXPECT_EQ(dir.Read("_kvxfiles/debug.txt").find("missing or invalid"), std::string::npos);
}

// A play speed the clock cannot run at would freeze every play: a missing key
// or a value of 0, below 0 or not a number plays at 1.0, one beyond the
// option's range is brought back into it, each with a log line.
TEST_F(SettingsFixture, PlaySpeedOutsideItsRangeIsRepaired) {
  const std::pair<const char*, float> cases[] = {
      {"", 1.0f}, {"RealHiSpeed=0\r\n", 1.0f}, {"RealHiSpeed=-2\r\n", 1.0f},
      {"RealHiSpeed=nan\r\n", 1.0f}, {"RealHiSpeed=9\r\n", 3.0f}, {"RealHiSpeed=0.1\r\n", 0.25f},
      {"RealHiSpeed=2.25\r\n", 2.25f}};
  for (const auto& [line, expected] : cases) {
    WriteIni(std::string("[Setting]\r\nSleep=0\r\n") + line);
    LoadSettings(g);
    EXPECT_EQ(g.settings.RealHiSpeed, expected) << line;
  }
  const std::string log = dir.Read("_kvxfiles/debug.txt");
  EXPECT_NE(log.find("[LoadSettings] RealHiSpeed 0 is out of range; using 1"), std::string::npos);
  EXPECT_NE(log.find("[LoadSettings] RealHiSpeed 9 is out of range; using 3"), std::string::npos);
  EXPECT_EQ(log.find("RealHiSpeed 2.25"), std::string::npos);
}

// The timing keys: defaults in a new file and in one without them, saved and
// read back, and values beyond their ranges repaired with a log line.
TEST_F(SettingsFixture, TimingKeysDefaultsRoundTripAndRanges) {
  LoadSettings(g);  // no file
  EXPECT_EQ(g.settings.AudioLatencyMs, kDefaultAudioLatencyMs);
  EXPECT_EQ(g.settings.JudgeOffsetMs, 0);
  EXPECT_EQ(g.settings.VisualOffsetMs, 0);
  EXPECT_FALSE(g.settings.ScaleToFit);
  WriteIni("[Setting]\r\nSleep=0\r\n");
  LoadSettings(g);
  EXPECT_EQ(g.settings.AudioLatencyMs, kDefaultAudioLatencyMs);
  EXPECT_EQ(g.settings.JudgeOffsetMs, 0);

  g.settings.AudioLatencyMs = 40, g.settings.JudgeOffsetMs = -12, g.settings.VisualOffsetMs = 25;
  g.settings.ScaleToFit = true;
  SaveSettings(g);
  const std::string text = dir.Read("_kvxfiles/kvx_conf.ini");
  for (const char* line : {"AudioLatencyMs=40", "JudgeOffsetMs=-12", "VisualOffsetMs=25", "ScaleToFit=True"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  Game h;
  h.SetProgramFolder(dir.path());
  LoadSettings(h);
  EXPECT_EQ(h.settings.AudioLatencyMs, 40);
  EXPECT_EQ(h.settings.JudgeOffsetMs, -12);
  EXPECT_EQ(h.settings.VisualOffsetMs, 25);
  EXPECT_TRUE(h.settings.ScaleToFit);

  WriteIni("[Setting]\r\nJudgeOffsetMs=900\r\nVisualOffsetMs=-501\r\nAudioLatencyMs=-5\r\n");
  LoadSettings(g);
  EXPECT_EQ(g.settings.JudgeOffsetMs, kMaxOffsetMs);
  EXPECT_EQ(g.settings.VisualOffsetMs, -kMaxOffsetMs);
  EXPECT_EQ(g.settings.AudioLatencyMs, 0);
  const std::string log = dir.Read("_kvxfiles/debug.txt");
  EXPECT_NE(log.find("[LoadSettings] JudgeOffsetMs 900 is out of range; using 500"), std::string::npos);
  EXPECT_NE(log.find("[LoadSettings] AudioLatencyMs -5 is out of range; using 0"), std::string::npos);
}

// The modern chart rules are on in a new settings file and when an older file
// lacks the key; a False in the file turns them off, and the value is saved.
TEST_F(SettingsFixture, ModernChartsOnByDefaultAndSaved) {
  EXPECT_FALSE(g.settings.ModernCharts);  // a game without settings reads by the classic rules
  LoadSettings(g);
  EXPECT_TRUE(g.settings.ModernCharts);
  WriteIni("[Setting]\r\nSleep=1\r\n");
  LoadSettings(g);
  EXPECT_TRUE(g.settings.ModernCharts);
  WriteIni("[Setting]\r\nModernCharts=False\r\n");
  LoadSettings(g);
  EXPECT_FALSE(g.settings.ModernCharts);
  SaveSettings(g);
  EXPECT_NE(dir.Read("_kvxfiles/kvx_conf.ini").find("ModernCharts=False"), std::string::npos);
}

TEST_F(SettingsFixture, WindowGeometryNeedsAllFourValues) {
  WriteIni("[MainForm]\nLeft=150\nTop=300\nWidth=9600\nWindowState=2\n");
  LoadSettings(g);
  EXPECT_FALSE(g.window.applied);
  EXPECT_EQ(g.window.Left, 0.0f);
  EXPECT_EQ(g.window.WindowState, 2);
  WriteIni("[MainForm]\nLeft=150\nTop=300\nWidth=9600\nHeight=7200.5\n");
  LoadSettings(g);
  EXPECT_TRUE(g.window.applied);
  EXPECT_EQ(g.window.Left, 150.0f);
  EXPECT_EQ(g.window.Height, 7200.5f);
}

TEST_F(SettingsFixture, LongValuesAreCutTo127Characters) {
  std::string name(200, 'n');
  WriteIni("[NetSetting]\r\nMyName=" + name + "\r\n");
  LoadSettings(g);
  EXPECT_EQ(g.settings.MyName, std::string(127, 'n'));
  std::string japanese;
  for (int i = 0; i < 130; ++i) japanese += "あ";
  WriteIni("[NetSetting]\r\nMyName=" + japanese + "\r\n");
  LoadSettings(g);
  EXPECT_EQ(Utf8Length(g.settings.MyName), 127u);
}

TEST_F(SettingsFixture, EveryKeyRoundTripsInWriteOrder) {
  Settings& s = g.settings;
  s.Sleep = 3, s.NoBGA = true, s.HiSpeed = 0.25f, s.RealHiSpeed = 1.5f, s.MyName = "プレイヤー";
  s.Hidden = true, s.ScreenColors = 3, s.WAVLoadmode = 1, s.BMSPreview = 0, s.CourseLoadMode = 2;
  s.Font = "IPAPGothic", s.brd = "/x/y.brd", s.DRAWLIMIT = 3, s.ENDLESSMODE = 0, s.JoyXYEnable = true;
  s.WaitVBlank = false, s.ShowClearedOnList = false, s.PreviewDelay = 1500;
  g.window = {1500, 750, 9600, 7200, 2, false};
  SaveSettings(g);
  std::string text = dir.Read("_kvxfiles/kvx_conf.ini");
  EXPECT_NE(text.find("HiSpeed=0.25"), std::string::npos);
  EXPECT_NE(text.find("RealHiSpeed=1.5"), std::string::npos);
  EXPECT_NE(text.find("DrawLimit=3"), std::string::npos);
  EXPECT_NE(text.find("NoBGA=True"), std::string::npos);
  EXPECT_NE(text.find("WindowState=2"), std::string::npos);
  // Keys of [Setting] appear in the write order.
  const char* order[] = {"Sleep=", "NoBGA=", "PolMode=", "ShowGauge=", "DontStretch=", "brd=", "DrawLimit=",
                         "WaitVBlank=", "JoyXYEnable=", "PreviewDelay="};
  size_t last = 0;
  for (const char* key : order) {
    size_t at = text.find(std::string("\n") + key);
    ASSERT_NE(at, std::string::npos) << key;
    EXPECT_GT(at, last) << key;
    last = at;
  }

  Game h;
  h.SetProgramFolder(dir.path());
  LoadSettings(h);
  const Settings& r = h.settings;
  EXPECT_EQ(r.Sleep, 3);
  EXPECT_TRUE(r.NoBGA);
  EXPECT_EQ(r.HiSpeed, 0.25f);
  EXPECT_EQ(r.RealHiSpeed, 1.5f);
  EXPECT_EQ(r.MyName, "プレイヤー");
  EXPECT_TRUE(r.Hidden);
  EXPECT_EQ(r.ScreenColors, 3);
  EXPECT_EQ(r.WAVLoadmode, 1);
  EXPECT_EQ(r.BMSPreview, 0);
  EXPECT_EQ(r.CourseLoadMode, 2);
  EXPECT_EQ(r.Font, "IPAPGothic");
  EXPECT_EQ(r.brd, "/x/y.brd");
  EXPECT_EQ(r.DRAWLIMIT, 3);
  EXPECT_EQ(r.ENDLESSMODE, 0);
  EXPECT_TRUE(r.JoyXYEnable);
  EXPECT_FALSE(r.WaitVBlank);
  EXPECT_FALSE(r.ShowClearedOnList);
  EXPECT_EQ(r.PreviewDelay, 1500);
  EXPECT_TRUE(h.window.applied);
  EXPECT_EQ(h.window.Left, 1500.0f);
  EXPECT_EQ(h.window.WindowState, 2);
}

// The settings file bytes read into a game of its own (a fixed program
// folder, no log file) and written back.
std::string WrittenBack(Game& game, const std::string& old) {
  game.SetProgramFolder("/nonexistent-kvx");
  game.log.SetPath("");
  LoadSettingsBytes(game, old);
  std::string written;
  EXPECT_TRUE(EncodeSettings(game, old, written));
  return written;
}

TEST_F(SettingsFixture, CommentBeforeTheFirstKeysKeepsItsPlaceFromTheFirstSave) {
  Game first, second;
  const std::string written = WrittenBack(first, "\t\t\t; note=1\r\nSleep=2\r\n[Setting]\r\nNoWAV=1\r\n");
  EXPECT_EQ(written.rfind("; note=1\n", 0), 0u) << written.substr(0, 40);
  EXPECT_EQ(first.settings.NoWAV, true);
  EXPECT_EQ(WrittenBack(second, written), written);
}

TEST_F(SettingsFixture, EmptyNamelessSectionLeavesNoBlankLinesAndWritingIsStable) {
  Game first, second;
  const std::string written = WrittenBack(first, "[]\r\nno key here\r\n[Setting]\r\nSleep=1\r\n");
  EXPECT_EQ(written.rfind("[Setting]", 0), 0u) << written.substr(0, 40);
  EXPECT_NE(written.find("Sleep=1"), std::string::npos);
  EXPECT_EQ(WrittenBack(second, written), written);
}

// A line that opens a section but never closes it is skipped and the keys
// after it stay in the section before it; the written file no longer holds a
// header with a line break in its name that grew by a line on every save.
TEST_F(SettingsFixture, UnclosedSectionLineIsDroppedAndWritingIsStable) {
  const std::string old =
      "; mine\r\n[Setting]\r\nSleep=3\r\n[Broken\r\nNoWAV=1\r\nRealHiSpeed=; note\r\n[]\r\n"
      "Font=Mono\r\n[NetSetting]\r\nMyName=P\r\n[Half=1\r\nDRAWLIMIT=-1\r\n";
  Game first, second;
  const std::string written = WrittenBack(first, old);
  EXPECT_EQ(first.settings.Sleep, 3);
  EXPECT_TRUE(first.settings.NoWAV);  // still read from [Setting]
  EXPECT_EQ(first.settings.MyName, "P");
  // The comment, the keys of the unnamed section and the key after the second
  // broken line are kept; the broken lines are gone, and the unreadable play
  // speed and the missing keys are written as the defaults they were read as.
  const std::string expected =
      "; mine\n"
      "\n"
      "\n"
      "Font=Mono\n"
      "\n"
      "\n"
      "[Setting]\n"
      "Sleep=3\n"
      "NoWAV=True\n"
      "RealHiSpeed=1\n"
      "NoBGA=False\n"
      "ShowObj=True\n"
      "ShowBGA=True\n"
      "PlaySound=True\n"
      "PlayKeySound=False\n"
      "UserPlay=True\n"
      "UserRec=False\n"
      "ShowRec=False\n"
      "PlayRec=False\n"
      "DEMOMode=False\n"
      "ShowVLine=False\n"
      "ShowGlid=False\n"
      "HiSpeed=1\n"
      "PolMode=False\n"
      "ShowGauge=True\n"
      "DontStretch=False\n"
      "ScreenColors=1\n"
      "WAVLoadmode=0\n"
      "BMPLoadmode=0\n"
      "BMPRelease=0\n"
      "BMSPreview=1\n"
      "CourseLoadMode=1\n"
      "NOVSync=False\n"
      "Font=ＭＳ Ｐゴシック\n"
      "brd=/nonexistent-kvx/_kvxfiles/kvx_scr.brd\n"
      "DrawLimit=1\n"
      "ENDLESSMODE=1\n"
      "NOSMOOTHSCROLL=False\n"
      "DirectBlt=False\n"
      "WaitVBlank=True\n"
      "JoyXYEnable=False\n"
      "RealtimeStretch=False\n"
      "CourseEffect=True\n"
      "ShowClearedOnList=True\n"
      "PreviewDelay=500\n"
      "ModernCharts=True\n"
      "ModernKeyConfig=True\n"
      "AudioLatencyMs=12\n"
      "JudgeOffsetMs=0\n"
      "VisualOffsetMs=0\n"
      "ScaleToFit=False\n"
      "TimingFeedback=True\n"
      "TimingOffsetMs=False\n"
      "VolumeMaster=100\n"
      "VolumeKeys=100\n"
      "VolumeBackground=100\n"
      "VolumeSystem=100\n"
      "Language=ja\n"
      "\n"
      "\n"
      "[NetSetting]\n"
      "MyName=P\n"
      "DRAWLIMIT=-1\n"
      "LastHost=\n"
      "\n"
      "\n"
      "[MainForm]\n"
      "Left=0\n"
      "Top=0\n"
      "Width=9600\n"
      "Height=7200\n"
      "WindowState=0\n"
      "\n"
      "\n"
      "[NoteSetting]\n"
      "Hidden=False\n"
      "Sudden=False\n"
      "Stealth=False\n"
      "Reverse=False\n"
      "Accel=False\n"
      "Vexo=False\n";
  EXPECT_EQ(written, expected);

  EXPECT_EQ(WrittenBack(second, written), written);
}

TEST(SettingsConversions, BooleansNumbersAndShortestSingles) {
  EXPECT_EQ(ParseIniBool("TRUE"), true);
  EXPECT_EQ(ParseIniBool("false"), false);
  EXPECT_EQ(ParseIniBool("-1"), true);
  EXPECT_EQ(ParseIniBool("0"), false);
  EXPECT_EQ(ParseIniBool("yes"), std::nullopt);
  EXPECT_EQ(ParseIniInt("2.5"), 2);  // halves to even
  EXPECT_EQ(ParseIniInt("3.5"), 4);
  EXPECT_EQ(ParseIniInt(""), std::nullopt);
  EXPECT_EQ(ParseIniByte("256"), std::nullopt);
  EXPECT_EQ(FormatIniSingle(1.0f), "1");
  EXPECT_EQ(FormatIniSingle(1.5f), "1.5");
  EXPECT_EQ(FormatIniSingle(0.1f), "0.1");
  EXPECT_EQ(ParseIniSingle(FormatIniSingle(0.1f)), 0.1f);
}

// The settings and the key table go through the safe write: a failing write
// leaves both files as they were and logs a line; the key table file is never
// shortened.
TEST_F(SettingsFixture, FailedWritesKeepTheOldFilesAndTheKeyTableKeepsItsTail) {
  WriteIni("[Setting]\r\nSleep=3\r\n");
  const std::string oldTable = std::string(802, '\x01') + "TAIL";
  dir.Write("_kvxfiles/kvx_keycnf.dat", oldTable);
  g.app.KeyTable.fill(0);
  g.app.KeyTable[44] = 11;
  {
    ScopedWriteFault fault(10);
    SaveSettings(g);
    EXPECT_FALSE(SaveKeyTable(g));
    EXPECT_EQ(fault.writes(), 2);
  }
  EXPECT_EQ(dir.Read("_kvxfiles/kvx_conf.ini"), "[Setting]\r\nSleep=3\r\n");
  EXPECT_EQ(dir.Read("_kvxfiles/kvx_keycnf.dat"), oldTable);
  const std::string log = dir.Read("_kvxfiles/debug.txt");
  EXPECT_NE(log.find("Error: Can't write the settings file"), std::string::npos);
  EXPECT_NE(log.find("Error: Can't write the key table"), std::string::npos);

  ASSERT_TRUE(SaveKeyTable(g));
  const std::string table = dir.Read("_kvxfiles/kvx_keycnf.dat");
  ASSERT_EQ(table.size(), 806u);
  EXPECT_EQ(table.substr(88, 2), std::string("\x0B\x00", 2));  // code 44 -> function 11
  EXPECT_EQ(table.substr(0, 2), std::string("\x00\x00", 2));
  EXPECT_EQ(table.substr(802), "TAIL");
}

}  // namespace
}  // namespace kvx
