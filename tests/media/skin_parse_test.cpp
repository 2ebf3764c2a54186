// The skin file reader: commands, argument rules, failures and the skin list.
// Only the skin's own state is built: a layout, a display without a window,
// and the log and the clock.
#include <gtest/gtest.h>

#include <string>

#include "app/game.h"
#include "app/skin_loading.h"
#include "media/display.h"
#include "media/skin.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/services.h"
#include "test_support.h"

namespace kvx {
namespace {

class SkinParse : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeFolder(data());
    log.SetPath(data() + "/debug.txt");
  }
  std::string data() const { return folder.path() + "/_kvxfiles"; }
  // Writes a skin into the data folder and loads it.
  std::string Load(const std::string& name, const std::string& text) {
    std::string path = folder.Write("_kvxfiles/" + name, text);
    ReadSkinFile(services, skin, display, path);
    return path;
  }
  std::string Log() { return ReadTextFile(log.Path()).value_or(""); }
  size_t Count(const std::string& s) {
    std::string log = Log();
    size_t n = 0;
    for (size_t at = log.find(s); at != std::string::npos; at = log.find(s, at + 1)) ++n;
    return n;
  }

  test::TempFolder folder;
  Logger log;
  ScriptedClock clock;
  Services services{log, clock};
  SkinLayout skin;
  DisplayState display;
};

// The pictures of long notes and mines, per lane channel; a lane outside
// 11..19 and 21..29 abandons the line; a skin without them has none (the play
// screen then stretches the note picture and draws mines as red blocks).
TEST_F(SkinParse, LongNoteAndMinePicturesPerLane) {
  Load("ln.brd",
       "#LNBODY 11,1,2,3,4\r\n"
       "#lnactive 29,5,6,7,8\r\n"
       "#LNEND 16,9,10,11,12\r\n"
       "#MINE 21,13,14,15,16\r\n"
       "#MINE 20,1,1,1,1\r\n"
       "#LNBODY x,1,1,1,1\r\n");
  const SkinLayout& s = skin;
  EXPECT_EQ(s.LongBodyRects[0], (Rect{1, 2, 4, 6}));
  EXPECT_EQ(s.LongActiveRects[18], (Rect{5, 6, 12, 14}));
  EXPECT_EQ(s.LongEndRects[5], (Rect{9, 10, 20, 22}));
  EXPECT_EQ(s.MineRects[10], (Rect{13, 14, 28, 30}));
  EXPECT_EQ(s.MineRects[9], Rect{});
  EXPECT_EQ(Count("bad arguments: #MINE 20"), 1u);
  EXPECT_EQ(Count("bad arguments: #LNBODY x"), 1u);
  Load("plain.brd", "#GAUGESTEP 2\r\n");
  EXPECT_EQ(skin.LongBodyRects[0], Rect{});
  EXPECT_EQ(skin.MineRects[10], Rect{});
}

TEST_F(SkinParse, CommandsAndDerivedFields) {
  std::string path = Load("a.brd",
                          "comment line GAUGE 1,1,1,1\r\n"
                          "GAUGESTEP 99\r\n"
                          "#TILEMODE scroll\r\n"
                          "#gauge 10,20,300,8\r\n"
                          "#GAUGESTEP 4.5\r\n"
                          "#BOMB 0,0,40,40,8\r\n"
                          "#SYSFONT 0,0,8,12\r\n"
                          "#KEY11 3,100,5\r\n"
                          "#key12 4,300,6\r\n"
                          "#OBJ03 10,20,30,8\r\n"
                          "#OBJ04 0,0,50,9\n"
                          "#NUM 0,100,16,24\r"
                          "#PERNUM 0,130,8.5,10\r\n"
                          "#PTSNUM 1,2,10,14\r\n"
                          "#FGREAT 5,6,100,20,3\r\n"
                          "#GOOD 1,2,30,40\r\n"
                          "#COMBOGRAPH 4,5,60,2\r\n"
                          "#NETNAMECOLOR #FF8001\r\n"
                          "#LENGRAPH 7,8\r\n"
                          "#GRAPH 10,20\r\n"
                          "#KEYPANEL2P 41,416,400\r\n"
                          "#1PJUDGEPOS 112,280\r\n");
  const SkinLayout& s = skin;
  EXPECT_EQ(s.TileMode, 1);  // lower-case "scroll" is not SCROLL
  EXPECT_EQ(s.GaugeRects[0], (Rect{10, 20, 310, 28}));
  EXPECT_FLOAT_EQ(s.GaugeUnit, 3.0f);
  EXPECT_EQ(s.GaugeStep, 4);  // 4.5 rounds to even; the line without "#" was ignored
  ASSERT_EQ(s.BombFrameCount, 8);
  ASSERT_EQ(s.BombFrames.size(), 8u);
  EXPECT_EQ(s.BombFrames[0], (Rect{0, 0, 40, 40}));
  EXPECT_EQ(s.BombFrames[7], (Rect{280, 0, 320, 40}));
  EXPECT_EQ(s.BombOffsetX, -20);
  EXPECT_EQ(s.BombOffsetY, -20);
  EXPECT_EQ(display.CharWidth, 8);
  EXPECT_EQ(display.CharHeight, 12);
  EXPECT_EQ(display.GlyphRects[65 - 32], (Rect{0, 12, 8, 24}));
  EXPECT_EQ(display.GlyphRects[33 - 32], (Rect{0, 0, 8, 12}));
  EXPECT_EQ(display.GlyphRects[64 - 32], (Rect{-8, 12, 0, 24}));
  EXPECT_EQ(display.GlyphRects[128 - 32], (Rect{-8, 36, 0, 48}));
  EXPECT_EQ(s.KeyDefs[11][0], 3);
  EXPECT_EQ(s.KeyDefs[11][1], 100);
  EXPECT_EQ(s.KeyDefs[11][2], 0);
  EXPECT_EQ(s.KeyDefs[11][3], 5);
  EXPECT_EQ(s.KeyDefs[12][1], 300);
  EXPECT_EQ(s.ObjRects[3], (Rect{10, 20, 40, 28}));
  EXPECT_EQ(s.ObjSizes[3][1], 8);
  EXPECT_EQ(s.ObjSizes[3][2], 30);
  EXPECT_EQ(s.ObjSizes[3][3], 8);
  // Lane 12 ends at 300 + 50, further right than lane 11 (100 + 30).
  EXPECT_EQ(s.LaneAreaRect, (Rect{350, 0, 640, 480}));
  EXPECT_EQ(s.NumRects[9], (Rect{144, 100, 160, 124}));
  EXPECT_EQ(s.NumAdvance, 16);
  EXPECT_EQ(s.PerNumRects[2], (Rect{17, 130, 26, 140}));  // 0 + 2 x 8.5 = 17, + 8.5 = 25.5 -> 26
  EXPECT_EQ(s.PercentFont.rects[2], s.PerNumRects[2]);
  EXPECT_EQ(s.PercentFont.advance, 8);
  EXPECT_EQ(s.PtsNumRects[10], (Rect{101, 2, 111, 16}));
  EXPECT_EQ(s.PtsNumAdvance, 10);
  ASSERT_EQ(s.FGreatFrameCount, 3);
  EXPECT_EQ(s.FGreatFrames[2], (Rect{5, 46, 105, 66}));
  EXPECT_EQ(s.JudgeWidths[4], 100);
  EXPECT_EQ(s.JudgeHeights[4], 20);
  EXPECT_EQ(s.JudgeRects[2], (Rect{1, 2, 31, 42}));
  EXPECT_EQ(s.JudgeWidths[2], 30);
  EXPECT_EQ(s.JudgeHeights[2], 40);
  EXPECT_EQ(s.ComboGraphRect2, s.ComboGraphRect);
  EXPECT_EQ(s.ComboGraphWidth, 60);
  EXPECT_EQ(s.NetNameColor, 0xFF8001u);
  EXPECT_EQ(s.LenGraphRect, (Rect{7, 8, 12, 388}));
  EXPECT_EQ(s.GraphCells[0], (Rect{10, 20, 13, 23}));
  EXPECT_EQ(s.GraphCells[4 + 5], (Rect{13, 32, 16, 35}));
  EXPECT_EQ(s.KeyPanelObj[1], 41);
  EXPECT_EQ(s.KeyPanelX[1], 416);
  EXPECT_EQ(s.KeyPanelY[1], 400);
  EXPECT_EQ(s.JudgePosX[0], 112);
  // Without "#BGA" the window is 256x256 at (192,128), for the display too.
  EXPECT_EQ(s.BgaX, 192);
  EXPECT_EQ(s.BgaY, 128);
  EXPECT_EQ(s.BgaWidth, 256);
  EXPECT_EQ(s.BgaHeight, 256);
  EXPECT_EQ(s.MiniFontRects[65 - 33], (Rect{0, 127, 3, 132}));
  EXPECT_EQ(s.MiniFontRects[126 - 33], (Rect{87, 132, 90, 137}));
  EXPECT_EQ(s.ScreenRect2, (Rect{0, 0, 640, 480}));
  EXPECT_FALSE(s.Loading);
  EXPECT_EQ(Count("[LoadRectData] a.brd\r\n"), 1u);
  EXPECT_EQ(Count("# Skin has no image (#FILE)"), 1u);
  EXPECT_EQ(Count("# Skin line"), 0u);

  // Tile-mode words are compared exactly.
  Load("b.brd", "#TILEMODE SCROLL\r\n#BGA 10,20,320,240\r\n");
  EXPECT_EQ(skin.TileMode, 3);
  EXPECT_EQ(skin.BgaWidth, 320);
  EXPECT_EQ(skin.BgaX, 10);
  Load("c.brd", "#TILEMODE DELEY\r\n");
  EXPECT_EQ(skin.TileMode, 2);
  EXPECT_EQ(skin.BgaWidth, 256);  // the defaults come back with every skin
  Load("d.brd", "#GAUGESTEP 2\r\n");
  EXPECT_EQ(skin.TileMode, 0);
}

TEST_F(SkinParse, BrokenArgumentsKeepWhatWasStored) {
  Load("a.brd",
       "#NUM 0,100,16,24\r\n"
       "#1PPTSPOS 5,6\r\n"
       "#KEY11 3,100,5\r\n"
       "#GAUGE 1,2,100,4\r\n");
  ASSERT_FLOAT_EQ(skin.GaugeUnit, 1.0f);
  Load("b.brd",
       "#GAUGE 5,6,abc\r\n"        // abc reads as 0; the height is missing
       "#BGA 10,x,20,20\r\n"       // whole numbers: x stops the command
       "#1PPTSPOS 7,zz\r\n"
       "#BOMB 0,0,40,40,-1\r\n"    // no negative frame count
       "#GAUGESTEP 1e99\r\n"       // does not fit
       "#NETNAMECOLOR #12GG56\r\n"
       "#SYSFONT 0,0,300,12\r\n"   // a byte cannot hold 300
       "#KEY-1 1,2,3\r\n"
       "#OBJ05 1,2\r\n"
       "#WHATEVER 1,2\r\n"
       "#KEY12 4\r\n");
  const SkinLayout& s = skin;
  EXPECT_EQ(s.GaugeRects[0], (Rect{5, 6, 5, 0}));  // the table was cleared, then left, top, right stored
  EXPECT_FLOAT_EQ(s.GaugeUnit, 1.0f);               // unchanged
  EXPECT_EQ(s.BgaX, 10);
  EXPECT_EQ(s.BgaY, 128);
  EXPECT_EQ(s.BgaWidth, 256);
  EXPECT_EQ(s.PtsPosX[0], 7);
  EXPECT_EQ(s.PtsPosY[0], 6);
  EXPECT_EQ(s.BombFrameCount, 0);
  EXPECT_EQ(s.GaugeStep, 0);
  EXPECT_EQ(s.NetNameColor, 0u);
  EXPECT_EQ(display.CharWidth, 0);
  EXPECT_EQ(s.ObjRects[5], (Rect{1, 2, 0, 0}));
  EXPECT_EQ(s.KeyDefs[11], (std::array<int32_t, 4>{}));  // cleared by the new skin
  EXPECT_EQ(s.KeyDefs[12][0], 4);
  EXPECT_EQ(s.KeyDefs[12][1], 0);
  // Commands the new skin lacks keep the previous skin's values.
  EXPECT_EQ(s.NumAdvance, 16);
  EXPECT_EQ(s.NumRects[1], (Rect{16, 100, 32, 124}));
  EXPECT_EQ(Count("# Skin line 1: bad arguments: #GAUGE 5,6,abc"), 1u);
  EXPECT_EQ(Count("# Skin line 2: bad arguments: #BGA 10,x,20,20"), 1u);
  EXPECT_EQ(Count("# Skin line 10: unknown command #WHATEVER"), 1u);
  EXPECT_EQ(Count("bad arguments"), 10u);
}

TEST_F(SkinParse, NumbersBeyondAnyScreenDoNotConvert) {
  Load("b.brd",
       "#GAUGE 1,2,100,4\r\n"
       "#GAUGE -2000000000,0,4000000000,8\r\n"   // both ends fit in 32 bits, their distance does not
       "#KEY11 3,100,5\r\n"
       "#KEY11 255,2147483647,0\r\n"             // a lane at the end of the 32-bit range
       "#KEY12 1,16777216,2\r\n"                 // 2^24 is the last number that converts
       "#KEY13 1,-16777217,2\r\n"
       "#COMBOGRAPH 4,5,60,2\r\n"
       "#COMBOGRAPH -2100000000,5,4200000000,2\r\n");
  const SkinLayout& s = skin;
  EXPECT_EQ(s.GaugeRects[0], (Rect{1, 2, 101, 6}));
  EXPECT_EQ(s.KeyDefs[11][0], 255);  // stored in order up to the number that does not convert
  EXPECT_EQ(s.KeyDefs[11][1], 100);
  EXPECT_EQ(s.KeyDefs[11][3], 5);
  EXPECT_EQ(s.KeyDefs[12][1], 16777216);
  EXPECT_EQ(s.KeyDefs[13][1], 0);
  EXPECT_EQ(s.ComboGraphRect, (Rect{4, 5, 64, 7}));
  EXPECT_EQ(s.ComboGraphWidth, 60);
  EXPECT_EQ(Count("bad arguments"), 4u);
  EXPECT_EQ(Count("# Skin line 2: bad arguments: #GAUGE -2000000000,0,4000000000,8"), 1u);
  EXPECT_EQ(Count("# Skin line 4: bad arguments: #KEY11 255,2147483647,0"), 1u);
}

TEST_F(SkinParse, MissingFileChangesNothingButTheSetting) {
  Load("a.brd", "#KEY11 3,100,5\r\n#BGA 1,2,128,128\r\n");
  std::string missing = folder.path() + "/_kvxfiles/none.brd";
  EXPECT_FALSE(ReadSkinFile(services, skin, display, missing));
  EXPECT_EQ(skin.KeyDefs[11][1], 100);
  EXPECT_EQ(skin.BgaWidth, 128);
  EXPECT_EQ(Count("[LoadRectData] none.brd\r\n"), 1u);
  EXPECT_EQ(Count("# Skin file not found: " + missing), 1u);
  // An empty file is a skin without commands: the tables are cleared.
  Load("empty.brd", "");
  EXPECT_EQ(skin.KeyDefs[11][1], 0);
  EXPECT_EQ(skin.BgaWidth, 256);
}

// The game's skin loading keeps the brd setting (even for a missing file) and
// hands the skin's background window to the rest of the game.
TEST(SkinLoading, KeepsTheSettingAndTheBackgroundWindow) {
  test::TempFolder folder;
  Game g;
  test::UseHeadlessGame(g, folder.path());
  const std::string path = folder.Write("_kvxfiles/b.brd", "#BGA 10,20,320,240\r\n");
  LoadRectData(g, path);
  EXPECT_EQ(g.settings.brd, path);
  EXPECT_EQ(g.app.BgaWidth, 320);
  EXPECT_EQ(g.app.BgaX, 10);
  LoadRectData(g, folder.Write("_kvxfiles/c.brd", "#TILEMODE DELEY\r\n"));
  EXPECT_EQ(g.app.BgaWidth, 256);
  const std::string missing = folder.path() + "/_kvxfiles/none.brd";
  LoadRectData(g, missing);
  EXPECT_EQ(g.settings.brd, missing);
  EXPECT_EQ(g.app.BgaWidth, 256);
}

TEST_F(SkinParse, ParseRectStoresInOrder) {
  Rect r{9, 9, 9, 9};
  EXPECT_TRUE(ParseRect(r, "#X 1,2,3,4"));
  EXPECT_EQ(r, (Rect{1, 2, 4, 6}));
  EXPECT_TRUE(ParseRect(r, "#X 0.5,1.5,2,2"));  // halves to even: 0, 2; sums 2.5 -> 2, 3.5 -> 4
  EXPECT_EQ(r, (Rect{0, 2, 2, 4}));
  r = Rect{9, 9, 9, 9};
  EXPECT_FALSE(ParseRect(r, "#X 1,2,3"));
  EXPECT_EQ(r, (Rect{1, 2, 4, 9}));
  r = Rect{9, 9, 9, 9};
  EXPECT_FALSE(ParseRect(r, "#X"));
  EXPECT_EQ(r, (Rect{9, 9, 9, 9}));
  EXPECT_FALSE(ParseRect(r, "#X 3000000000,1,1,1"));
  EXPECT_EQ(r, (Rect{9, 9, 9, 9}));
  SkinLayout s;
  s.ObjRects[7] = Rect{1, 2, 3, 4};
  s.ObjSizes[7][2] = 2;
  EXPECT_EQ(SkinObjRect(s, 7), (Rect{1, 2, 3, 4}));
  EXPECT_EQ(SkinObjRect(s, 256), Rect{});
  EXPECT_EQ(SkinObjRect(s, -1), Rect{});
  EXPECT_EQ(SkinObjWidth(s, 7), 2);
  EXPECT_EQ(SkinObjWidth(s, 1000), 0);
}

TEST_F(SkinParse, SkinListFindsBrdFilesSorted) {
  folder.Write("_kvxfiles/zeta.brd", "");
  folder.Write("_kvxfiles/Alpha.BRD", "");
  folder.Write("_kvxfiles/notes.txt", "");
  folder.Write("_kvxfiles/sub/inner.brd", "");
  UpdateSkinList(services, skin, data(), data() + "/zeta.brd");
  std::vector<std::string> expected = {folder.path() + "/_kvxfiles/Alpha.BRD", folder.path() + "/_kvxfiles/zeta.brd"};
  EXPECT_EQ(skin.SkinList, expected);
  EXPECT_EQ(SkinFileList(skin), expected);
  EXPECT_EQ(skin.SkinIndex, 1);
  EXPECT_EQ(Count("[UpdateSkinList]\r\n"), 1u);
  EXPECT_EQ(Count("2 skins(s) has detected.\r\n"), 1u);
}

}  // namespace
}  // namespace kvx
