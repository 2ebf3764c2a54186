// The startup menu's settings controls: loaded from the settings file, each
// change written to its setting at once, and the file written at exit.
#include "menu/menu_controls.h"

#include <gtest/gtest.h>

#include "app/game.h"
#include "app/settings.h"
#include "menu/startup_menu.h"
#include "platform/files.h"
#include "platform/text.h"
#include "test_support.h"

namespace kvx {
namespace {

struct MenuControls : ::testing::Test {
  test::TempFolder dir;
  Game g;
  void SetUp() override { test::UseHeadlessGame(g, dir.path()); }
  std::string Ini() { return dir.Read("_kvxfiles/kvx_conf.ini"); }
  bool Checked(const char* name) { return FindMenuCheckBox(name)->checked(g.settings); }
  void Check(const char* name, bool on) { SetMenuCheckBox(g, *FindMenuCheckBox(name), on); }
  int Index(const char* name) { return FindMenuDropDown(name)->index(g.settings); }
  void Choose(const char* name, int i) { SetMenuDropDown(g, *FindMenuDropDown(name), i); }
};

TEST_F(MenuControls, BgaReleaseStartsUncheckedWhateverTheFileSays) {
  dir.Write("_kvxfiles/kvx_conf.ini",
            "[Setting]\r\nBMPRelease=1\r\nENDLESSMODE=0\r\nBMSPreview=1\r\nNOSMOOTHSCROLL=True\r\n"
            "DrawLimit=3\r\nScreenColors=2\r\nCourseLoadMode=2\r\nPreviewDelay=1500\r\n"
            "[NetSetting]\r\nMyName=Pat\r\n");
  LoadSettings(g);
  ASSERT_EQ(g.settings.BMPRelease, 1);
  LoadStartupMenu(g);
  EXPECT_FALSE(Checked("chkBGARelease"));
  EXPECT_EQ(g.settings.BMPRelease, 0);  // the game runs with it off
  EXPECT_FALSE(Checked("chkEndless"));
  EXPECT_TRUE(Checked("chkPreview"));
  EXPECT_TRUE(Checked("chkNoSmooth"));
  EXPECT_EQ(Index("cmbDrawLimit"), 2);  // DRAWLIMIT - 1
  EXPECT_EQ(Index("cmbScrColors"), 2);
  EXPECT_EQ(Index("cmbCourse"), 2);
  EXPECT_EQ(g.menu.txtWait, "1.5");
  EXPECT_EQ(g.menu.txtUserName, "Pat");
  SaveSettings(g);
  EXPECT_NE(Ini().find("BMPRelease=0"), std::string::npos);

  // Unless the player checks it.
  Check("chkBGARelease", true);
  EXPECT_EQ(g.settings.BMPRelease, 1);
  SaveSettings(g);
  EXPECT_NE(Ini().find("BMPRelease=1"), std::string::npos);
}

TEST_F(MenuControls, EveryChangeIsWrittenToItsSettingAtOnce) {
  LoadSettings(g);  // no file: the missing-file values
  LoadStartupMenu(g);
  const struct {
    const char* box;
    bool Settings::*field;
  } booleans[] = {{"chkClearList", &Settings::ShowClearedOnList},
                  {"chkcourseShowSBG", &Settings::CourseEffect},
                  {"chkRealtimeStretch", &Settings::RealtimeStretch},
                  {"chkNoWait", &Settings::NOVSync},
                  {"chkDirectBlt", &Settings::DirectBlt},
                  {"chkNoSmooth", &Settings::NOSMOOTHSCROLL},
                  {"chkDontStretch", &Settings::DontStretch}, {"chkModernCharts", &Settings::ModernCharts}};
  for (const auto& b : booleans) {
    const bool before = g.settings.*(b.field);
    EXPECT_EQ(Checked(b.box), before) << b.box;
    Check(b.box, !before);
    EXPECT_EQ(g.settings.*(b.field), !before) << b.box;
  }
  Check("chkEndless", false);
  EXPECT_EQ(g.settings.ENDLESSMODE, 0);
  Check("chkPreview", false);
  EXPECT_EQ(g.settings.BMSPreview, 0);
  Choose("cmbDrawLimit", 1);
  EXPECT_EQ(g.settings.DRAWLIMIT, 2);
  Choose("cmbScrColors", 3);
  EXPECT_EQ(g.settings.ScreenColors, 3);
  Choose("cmbCourse", 1);
  EXPECT_EQ(g.settings.CourseLoadMode, 1);
  Choose("cmbBGAMode", 1);
  EXPECT_EQ(g.settings.BMPLoadmode, 1);
  Choose("cmbWAVMode", 1);
  EXPECT_EQ(g.settings.WAVLoadmode, 1);
  Choose("cmbWAVMode", 2);  // not an entry: nothing changes
  EXPECT_EQ(g.settings.WAVLoadmode, 1);
  SetMenuUserName(g, "Kim");
  EXPECT_EQ(g.settings.MyName, "Kim");
  SetMenuWait(g, "0.25");
  EXPECT_EQ(g.settings.PreviewDelay, 250);
  SetMenuWait(g, "later");
  EXPECT_EQ(g.settings.PreviewDelay, 1);  // as the start of the game would take it

  SaveSettings(g);
  const std::string ini = Ini();
  for (const char* line :
       {"ShowClearedOnList=False", "CourseEffect=False", "RealtimeStretch=True", "NOVSync=True", "DirectBlt=True",
        "NOSMOOTHSCROLL=True", "DontStretch=True", "ENDLESSMODE=0", "BMSPreview=0", "DrawLimit=2", "ScreenColors=3",
        "CourseLoadMode=1", "BMPLoadmode=1", "WAVLoadmode=1", "MyName=Kim", "PreviewDelay=1", "ModernCharts=False"})
    EXPECT_NE(ini.find(line), std::string::npos) << line << "\n" << ini;
}

TEST_F(MenuControls, ValuesOutsideTheListsShowNoSelection) {
  // Values beyond their lists in the file are repaired as it is read ...
  dir.Write("_kvxfiles/kvx_conf.ini", "[Setting]\r\nDrawLimit=9\r\nCourseLoadMode=-1\r\n");
  LoadSettings(g);
  EXPECT_EQ(g.settings.DRAWLIMIT, 1);
  EXPECT_EQ(g.settings.CourseLoadMode, 1);
  // ... and one set otherwise shows no selection.
  g.settings.DRAWLIMIT = 9;
  g.settings.CourseLoadMode = -1;
  LoadStartupMenu(g);
  EXPECT_EQ(Index("cmbDrawLimit"), 8);
  EXPECT_EQ(Index("cmbCourse"), -1);
  EXPECT_EQ(g.settings.DRAWLIMIT, 9);  // kept until the player picks an entry
}

TEST_F(MenuControls, WaitFieldShowsThePreviewDelayInSeconds) {
  EXPECT_EQ(WaitFieldText(500), "0.5");
  EXPECT_EQ(WaitFieldText(1000), "1");
  EXPECT_EQ(WaitFieldText(1500), "1.5");
  EXPECT_EQ(WaitFieldText(1), "0.001");
  EXPECT_EQ(WaitFieldText(0), "0");
}

TEST_F(MenuControls, SkinListIsRelativeToTheDataFolderAndMatchesInAnyCase) {
  dir.Write("_kvxfiles/kvx_scr.brd", "");
  dir.Write("_kvxfiles/neon.brd", "");
  dir.Write("_kvxfiles/readme.txt", "");
  g.settings.brd = ToUpperAscii(g.paths.data) + "/NEON.BRD";
  LoadStartupMenu(g);
  ASSERT_EQ(g.menu.skin_entries, (std::vector<std::string>{"kvx_scr.brd", "neon.brd"}));
  EXPECT_EQ(g.menu.skin_selected, 1);
  SetMenuSkin(g, 0);
  EXPECT_EQ(g.settings.brd, g.paths.data + "/kvx_scr.brd");
  EXPECT_EQ(g.skin.SkinIndex, 0);
  SetMenuSkin(g, 2);  // not an entry
  EXPECT_EQ(g.settings.brd, g.paths.data + "/kvx_scr.brd");
}

}  // namespace
}  // namespace kvx
