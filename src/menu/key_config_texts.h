#pragma once
// The key configuration window's texts, one table per language.
#include <vector>

namespace kvx {

struct Game;

struct KeyConfigTexts {
  const char* caption;
  const char* ok;
  const char* cancel;
  const char* defaults;
  const char* clear;
  const char* xy;
  const char* xy_note;
  const char* special_group;
  const char* special_note1;
  const char* special_note2;
  const char* instruction;         // the classic capture
  const char* instruction_modern;  // press replaces, Shift adds
  const char* controller_label;
  const char* modern_box;
  const char* picture_heading;
  const char* test_heading;
  const char* turn_direction;
  const char* save_failed;
  const char* column_function;
  const char* column_name;
  const char* column_keys;
  const char* none;
  const char* lane_key;
  const char* scratch_left;
  const char* scratch_right;
  const char* system_functions[8];
  const char* joystick;
  const char* joystick_button;
  const char* stick[4];
  const char* code;
  const char* tip_row;
  const char* tip_remove;
  const char* tip_modern;
  const char* tip_test;
  const char* tip_xy;
  const char* tip_default;
  const char* tip_clear;
  const char* tip_ok;
  const char* tip_cancel;
};

const KeyConfigTexts& KeyConfigTextsJa();
const KeyConfigTexts& KeyConfigTextsEn();
// The table of the game's language.
const KeyConfigTexts& KeyConfigTextsOf(const Game& game);
// Every entry of a table (for checks and font glyphs).
std::vector<const char*> KeyConfigTextEntries(const KeyConfigTexts& texts);

}  // namespace kvx
