// The key configuration model on its own parts (a key table, the input
// state, a log and a clock): list rows, the 1 / 2 order, classic and modern
// capture, removing a key, the live test, and what OK and cancel leave in the
// key table and its file. Also the names of button codes.
#include "media/key_config.h"

#include <gtest/gtest.h>

#include "media/button_names.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "test_support.h"

namespace kvx {
namespace {

class KeyConfigParts : public ::testing::Test {
 protected:
  void SetUp() override { log.SetPath(dir.path() + "/debug.txt"); }
  std::string FileBytes() { return dir.Read("kvx_keycnf.dat"); }
  void Load(KeyConfigModel& m, bool modern = false) { LoadKeyConfig(target, false, modern, services, m); }
  // Sets a keyboard key and lets the model capture it.
  bool Key(KeyConfigModel& m, int code, bool down) {
    input.keys[code] = down ? 0x80 : 0;
    return KeyConfigCapture(input, m);
  }

  test::TempFolder dir;
  KeyTableArray table{};
  InputState input;
  Logger log;
  ScriptedClock clock{1000};
  Services services{log, clock};
  KeyConfigTarget target{table, input, dir.path() + "/kvx_keycnf.dat"};
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

TEST(ButtonNames, KeysJoysticksAndUnknownCodes) {
  EXPECT_EQ(ButtonName(0x2C), "Z");
  EXPECT_EQ(ButtonName(0x02), "1");
  EXPECT_EQ(ButtonName(0x03), "2");
  EXPECT_EQ(ButtonName(0x2A), "Left Shift");
  EXPECT_EQ(ButtonName(0x36), "Right Shift");
  EXPECT_EQ(ButtonName(0x1C), "Enter");
  EXPECT_EQ(ButtonName(0x39), "Space");
  EXPECT_EQ(ButtonName(0x01), "Escape");
  EXPECT_EQ(ButtonName(0xC8), "Up");
  EXPECT_EQ(ButtonName(0x9C), "Keypad Enter");
  EXPECT_EQ(ButtonName(0x7D), "Yen");
  EXPECT_EQ(ButtonName(0x47), "Keypad 7");
  // Every keyboard code the scancode table produces has a name of its own.
  for (int code = 1; code < 256; ++code) {
    if (ButtonName(code) != "Code " + std::to_string(code)) {
      EXPECT_FALSE(ButtonName(code).empty()) << code;
    }
  }
  EXPECT_EQ(ButtonName(0x54), "Code 84");  // no key has it
  EXPECT_EQ(ButtonName(256), "Joy1 Left");
  EXPECT_EQ(ButtonName(259), "Joy1 Down");
  EXPECT_EQ(ButtonName(260), "Joy1 Button 1");
  EXPECT_EQ(ButtonName(256 + 40 + 4 + 31), "Joy2 Button 32");
  EXPECT_EQ(ButtonName(256 + 40 + 36), "Code 332");  // past the 32 buttons
  EXPECT_EQ(ButtonName(400), "Code 400");
  EXPECT_EQ(ButtonName(-1), "Code -1");
  ButtonWords ja;
  ja.button = "ボタン";
  ja.stick[2] = "上";
  EXPECT_EQ(ButtonName(256 + 40 + 9, ja), "Joy2 ボタン6");
  EXPECT_EQ(ButtonName(258, ja), "Joy1 上");
}

TEST_F(KeyConfigParts, LoadWithoutFileListsTheDefaultTable) {
  table.fill(5);  // whatever was in memory is replaced
  KeyConfigModel m;
  Load(m);
  KeyTableArray def{};
  ApplyDefaultKeyTable(def);
  EXPECT_EQ(table, def);
  EXPECT_EQ(m.work, def);
  ASSERT_EQ(m.rows.size(), 26u);
  EXPECT_EQ(m.rows[0], "11\t[44]");
  EXPECT_EQ(m.rows[5], "16\t[42][57]");
  EXPECT_EQ(m.rows[17], "29\t[28][54]");
  EXPECT_EQ(m.rows[18], "01ESC\t");
  EXPECT_EQ(m.rows[25], "08★\t");
  EXPECT_EQ(m.row_functions[9], 21);
  EXPECT_EQ(KeyBindings(m.work, 16), (std::vector<int>{42, 57}));
  EXPECT_FALSE(FileExists(target.path));

  SelectKeyRow(m, 18);
  EXPECT_EQ(m.current, 1);
  SelectKeyRow(m, 5);
  EXPECT_EQ(m.current, 16);
  SelectKeyRow(m, 99);
  EXPECT_EQ(m.current, 16);
}

TEST_F(KeyConfigParts, AssignMoveClearDefault) {
  KeyConfigModel m;
  Load(m);
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
  EXPECT_EQ(table[200], 0);
}

TEST_F(KeyConfigParts, ClassicCaptureAddsAndMovesWithOneAndTwo) {
  input.keys[0x10] = 0x80;  // Q held before the window opens: no capture
  KeyConfigModel m;
  Load(m);
  m.current = 12;
  EXPECT_FALSE(KeyConfigCapture(input, m));
  EXPECT_EQ(m.work[0x10], 0);
  EXPECT_TRUE(Key(m, 0x03, true));  // 2: next function
  EXPECT_EQ(m.current, 13);
  EXPECT_FALSE(KeyConfigCapture(input, m));  // still held: no second press
  EXPECT_TRUE(Key(m, 0x2E, true));           // C (lane 15) joins 13 beside X
  EXPECT_EQ(m.rows[2], "13\t[45][46]");

  // Joystick buttons; stick directions only with the XY box ticked.
  input.joy[0].used = true;
  input.joy[0].state.buttons[5] = 0x80;
  EXPECT_TRUE(KeyConfigCapture(input, m));
  EXPECT_EQ(m.work[256 + 4 + 5], 13);
  input.joy[0].state.y = -10000;
  EXPECT_FALSE(KeyConfigCapture(input, m));
  m.xy = true;
  EXPECT_TRUE(KeyConfigCapture(input, m));
  EXPECT_EQ(m.work[256 + 2], 13);
}

TEST_F(KeyConfigParts, ModernCaptureReplacesAddsWithShiftAndBindsOneAndTwo) {
  input.keys[kRightShiftCode] = 0x80;  // held when the window opens: its release binds nothing
  KeyConfigModel m;
  Load(m, true);
  EXPECT_EQ(m.current, 0);  // nothing selected
  Key(m, kRightShiftCode, false);
  EXPECT_EQ(m.work[kRightShiftCode], 29);
  Key(m, 0x2C, true);  // Z with nothing selected: only the live test sees it
  EXPECT_TRUE(LitFunctions(m)[11]);
  Key(m, 0x2C, false);
  EXPECT_EQ(m.work[0x2C], 11);

  SelectKeyRow(m, 0);
  EXPECT_TRUE(Key(m, 0x02, true));  // 1 replaces Z on lane 11 and ends the selection
  Key(m, 0x02, false);
  EXPECT_EQ(m.current, 0);
  EXPECT_EQ(m.rows[0], "11\t[2]");
  EXPECT_EQ(m.work[0x2C], 0);

  // Shift held: 2 is added beside 1, and Shift itself stays unbound.
  SelectKeyRow(m, 0);
  Key(m, kLeftShiftCode, true);
  EXPECT_EQ(m.work[kLeftShiftCode], 16);  // nothing yet
  Key(m, 0x03, true);
  Key(m, 0x03, false);
  Key(m, kLeftShiftCode, false);
  EXPECT_EQ(m.rows[0], "11\t[2][3]");
  EXPECT_EQ(m.work[kLeftShiftCode], 16);
  EXPECT_EQ(m.current, 0);  // ended when Shift was let go

  // Shift alone binds Shift when it is let go (in place of the row's keys).
  m.current = 17;
  Key(m, kLeftShiftCode, true);
  Key(m, kLeftShiftCode, false);
  EXPECT_EQ(m.rows[6], "17\t[42]");
  EXPECT_EQ(m.rows[5], "16\t[57]");  // it left the function it had

  // Removing one key.
  RemoveBinding(m, 0x03);
  EXPECT_EQ(m.rows[0], "11\t[2]");
  RemoveBinding(m, 999);  // out of range: ignored

  // The live test lights the lanes whose keys are held.
  Key(m, 0x02, true);
  Key(m, 0x1F, true);  // S: lane 12
  EXPECT_EQ(m.rows[0], "11\t[2]");
  std::array<bool, 30> lit = LitFunctions(m);
  EXPECT_TRUE(lit[11]);
  EXPECT_TRUE(lit[12]);
  EXPECT_FALSE(lit[13]);
  EXPECT_EQ(std::count(lit.begin(), lit.end(), true), 2);
}

TEST_F(KeyConfigParts, OkWritesTheFileAndCancelKeepsIt) {
  KeyConfigModel m;
  Load(m);
  m.current = 1;
  btnDown(m, 1);
  m.current = 27;
  btnDown(m, 400);
  ASSERT_TRUE(KeyConfigOK(target, services, m));
  std::string bytes = FileBytes();
  ASSERT_EQ(bytes.size(), 802u);
  EXPECT_EQ(static_cast<uint8_t>(bytes[2]), 1);  // code 1 -> function 1, little-endian
  EXPECT_EQ(static_cast<uint8_t>(bytes[3]), 0);
  EXPECT_EQ(static_cast<uint8_t>(bytes[800]), 27);
  EXPECT_EQ(static_cast<uint8_t>(bytes[88]), 11);  // Z still plays lane 11
  EXPECT_EQ(table[400], 27);
  EXPECT_NE(dir.Read("debug.txt").find("Key-config saved."), std::string::npos);

  // Reloading reads the same table back.
  KeyConfigModel again;
  Load(again);
  EXPECT_EQ(again.work, m.work);
  EXPECT_EQ(again.rows[18], "01ESC\t[1]");

  // Cancel after changes: file and table stay as loaded.
  KeyTableArray before = table;
  ClearKeyConfig(again);
  btnDown(again, 57);
  KeyConfigCancel(target, again);
  EXPECT_EQ(FileBytes(), bytes);
  EXPECT_EQ(table, before);
}

TEST_F(KeyConfigParts, BrokenFileLoadsTheDefaultAndUnwritableFileFails) {
  dir.Write("kvx_keycnf.dat", std::string(100, '\x07'));
  KeyConfigModel m;
  Load(m);
  KeyTableArray def{};
  ApplyDefaultKeyTable(def);
  EXPECT_EQ(m.work, def);
  EXPECT_EQ(FileBytes(), std::string(100, '\x07'));  // not touched until OK
  EXPECT_NE(dir.Read("debug.txt").find("Key-config file is broken"), std::string::npos);

  KeyConfigTarget nowhere{table, input, dir.path() + "/missing/folder/kvx_keycnf.dat"};
  EXPECT_FALSE(KeyConfigOK(nowhere, services, m));
  EXPECT_NE(dir.Read("debug.txt").find("Error: Can't write the key-config file"), std::string::npos);
}

}  // namespace
}  // namespace kvx
