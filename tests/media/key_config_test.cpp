// The key configuration model: list rows, the 1 / 2 order, assignment, the
// buttons, and what OK and cancel leave in the key table and its file.
#include "media/key_config.h"

#include <SDL_scancode.h>
#include <gtest/gtest.h>

#include <memory>

#include "app/game.h"
#include "app/key_table.h"
#include "media/input.h"
#include "platform/files.h"
#include "test_support.h"

namespace kvx {
namespace {

class KeyConfigFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseHeadlessGame(g, dir.path());
    InitDI_Keyboard(g);
    InitJoysticks(g);
  }
  std::string FileBytes() { return dir.Read("_kvxfiles/kvx_keycnf.dat"); }

  test::TempFolder dir;
  Game g;
};

TEST(KeyConfigOrder, NextAndPrevious) {
  const int16_t order[] = {1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 14, 15, 18, 19, 16, 17,
                           21, 22, 23, 24, 25, 28, 29, 26, 27};
  for (size_t i = 0; i + 1 < std::size(order); ++i) {
    EXPECT_EQ(NextKeyFunction(order[i]), order[i + 1]);
    EXPECT_EQ(PreviousKeyFunction(order[i + 1]), order[i]);
  }
  EXPECT_EQ(NextKeyFunction(27), 1);
  EXPECT_EQ(NextKeyFunction(8), 11);
  EXPECT_EQ(PreviousKeyFunction(11), 8);
  EXPECT_EQ(PreviousKeyFunction(1), 25);
  EXPECT_EQ(NextKeyFunction(20), 1);  // not in the order: back to the start
  EXPECT_EQ(KeyFunctionLabel(1), "01ESC");
  EXPECT_EQ(KeyFunctionLabel(4), "04↑");
  EXPECT_EQ(KeyFunctionLabel(8), "08★");
  EXPECT_EQ(KeyFunctionLabel(26), "26");
}

TEST_F(KeyConfigFixture, LoadWithoutFileListsTheDefaultTable) {
  g.app.KeyTable.fill(5);  // whatever was in memory is replaced
  KeyConfigModel m;
  LoadKeyConfig(g, m);
  KeyTableArray def{};
  ApplyDefaultKeyTable(def);
  EXPECT_EQ(g.app.KeyTable, def);
  EXPECT_EQ(m.work, def);
  ASSERT_EQ(m.rows.size(), 26u);
  EXPECT_EQ(m.rows[0], "11\t[44]");
  EXPECT_EQ(m.rows[5], "16\t[42][57]");
  EXPECT_EQ(m.rows[17], "29\t[28][54]");
  EXPECT_EQ(m.rows[18], "01ESC\t");
  EXPECT_EQ(m.rows[25], "08★\t");
  EXPECT_EQ(m.row_functions[9], 21);
  EXPECT_FALSE(FileExists(g.paths.data + "/kvx_keycnf.dat"));

  SelectKeyRow(m, 18);
  EXPECT_EQ(m.current, 1);
  SelectKeyRow(m, 5);
  EXPECT_EQ(m.current, 16);
  SelectKeyRow(m, 99);
  EXPECT_EQ(m.current, 16);
}

TEST_F(KeyConfigFixture, AssignMoveClearDefault) {
  KeyConfigModel m;
  LoadKeyConfig(g, m);
  m.current = 8;
  btnDown(m, 3);  // key 2: next
  EXPECT_EQ(m.current, 11);
  btnDown(m, 2);  // key 1: previous
  EXPECT_EQ(m.current, 8);
  m.current = 1;
  btnDown(m, 2);
  EXPECT_EQ(m.current, 25);
  EXPECT_EQ(m.work[2], 0);  // the move keys are never assigned
  EXPECT_EQ(m.work[3], 0);

  // The same button twice: only the last assignment stays.
  m.current = 1;
  btnDown(m, 300);
  m.current = 13;
  btnDown(m, 300);
  EXPECT_EQ(m.work[300], 13);
  EXPECT_EQ(m.rows[18], "01ESC\t");
  EXPECT_EQ(m.rows[2], "13\t[45][300]");
  btnDown(m, 401);  // out of range: ignored
  btnDown(m, -1);

  ClearKeyConfig(m);
  for (int16_t v : m.work) EXPECT_EQ(v, 0);
  EXPECT_EQ(m.rows[5], "16\t");
  // The default button sets the default entries; others keep their values.
  m.current = 4;
  btnDown(m, 200);
  SetDefault(m);
  EXPECT_EQ(m.rows[5], "16\t[42][57]");
  EXPECT_EQ(m.rows[21], "04↑\t[200]");
  // Nothing reaches the game's table before OK.
  EXPECT_EQ(g.app.KeyTable[200], 0);
}

TEST_F(KeyConfigFixture, OkWritesTheFileAndCancelKeepsIt) {
  KeyConfigModel m;
  LoadKeyConfig(g, m);
  m.current = 1;
  btnDown(m, 1);
  m.current = 27;
  btnDown(m, 400);
  ASSERT_TRUE(KeyConfigOK(g, m));
  std::string bytes = FileBytes();
  ASSERT_EQ(bytes.size(), 802u);
  EXPECT_EQ(static_cast<uint8_t>(bytes[2]), 1);  // code 1 -> function 1, little-endian
  EXPECT_EQ(static_cast<uint8_t>(bytes[3]), 0);
  EXPECT_EQ(static_cast<uint8_t>(bytes[800]), 27);
  EXPECT_EQ(static_cast<uint8_t>(bytes[88]), 11);  // Z still plays lane 11
  EXPECT_EQ(g.app.KeyTable[400], 27);

  // Reloading reads the same table back.
  KeyConfigModel again;
  LoadKeyConfig(g, again);
  EXPECT_EQ(again.work, m.work);
  EXPECT_EQ(again.rows[18], "01ESC\t[1]");

  // Cancel after changes: file and table stay as loaded.
  KeyTableArray before = g.app.KeyTable;
  ClearKeyConfig(again);
  btnDown(again, 57);
  KeyConfigCancel(g, again);
  EXPECT_EQ(FileBytes(), bytes);
  EXPECT_EQ(g.app.KeyTable, before);
}

TEST_F(KeyConfigFixture, BrokenFileLoadsTheDefault) {
  dir.Write("_kvxfiles/kvx_keycnf.dat", std::string(100, '\x07'));
  KeyConfigModel m;
  LoadKeyConfig(g, m);
  KeyTableArray def{};
  ApplyDefaultKeyTable(def);
  EXPECT_EQ(m.work, def);
  EXPECT_EQ(FileBytes(), std::string(100, '\x07'));  // not touched until OK
}

TEST_F(KeyConfigFixture, CaptureFromDeviceState) {
  using K = PlatformEvent::Kind;
  auto send = [&](K kind, int code, int x = 0, int y = 0) {
    PlatformEvent e;
    e.kind = kind;
    e.code = code;
    e.x = x;
    e.y = y;
    g.pump.Inject(e);
    g.pump.Pump();
  };
  send(K::KeyDown, SDL_SCANCODE_Q);  // held before the window opens: no capture
  KeyConfigModel m;
  LoadKeyConfig(g, m);
  m.current = 12;
  EXPECT_FALSE(KeyConfigTick(g, m));
  EXPECT_EQ(m.work[16], 0);

  send(K::KeyDown, SDL_SCANCODE_2);  // next function
  EXPECT_TRUE(KeyConfigTick(g, m));
  EXPECT_EQ(m.current, 13);
  EXPECT_FALSE(KeyConfigTick(g, m));  // still held: no second press
  EXPECT_EQ(m.current, 13);

  send(K::JoyAdded, 0);
  send(K::JoyButtonDown, 0, 5);
  EXPECT_TRUE(KeyConfigCapture(g, m));
  EXPECT_EQ(m.work[256 + 4 + 5], 13);
  EXPECT_EQ(m.joystick_count, 0);  // counted when the window loaded

  // Stick directions are buttons only with the XY box ticked.
  send(K::JoyAxis, 0, 0, -32768);
  EXPECT_FALSE(KeyConfigCapture(g, m));
  SetJoyXY(g, m, true);
  EXPECT_TRUE(g.settings.JoyXYEnable);
  EXPECT_TRUE(KeyConfigCapture(g, m));
  EXPECT_EQ(m.work[256], 13);
}

TEST_F(KeyConfigFixture, HeadlessWindowDoesNothing) {
  g.app.KeyTable[5] = 3;
  OpenKeyConfigWindow(g);
  EXPECT_EQ(g.app.KeyTable[5], 3);
  EXPECT_FALSE(FileExists(g.paths.data + "/kvx_keycnf.dat"));
  EXPECT_NE(dir.Read("_kvxfiles/debug.txt").find("KeyConfig: no display"), std::string::npos);
}

}  // namespace
}  // namespace kvx
