#pragma once
// The key configuration window's model: a working copy of the key table, the
// function the next pressed button is assigned to, and the key list rows. The
// window (key_config_window.cpp) only draws this and forwards clicks.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/app_state.h"

namespace kvx {

struct Game;

struct KeyConfigModel {
  KeyTableArray work{};
  int16_t current = 11;           // the function the next button is assigned to
  std::vector<int16_t> row_functions;  // the function of each list row
  std::vector<std::string> rows;       // the list rows ("16\t[42][57]")
  bool xy = false;                     // the "XY軸移動を検知" box
  int joystick_count = 0;              // shown after the controller label
  std::array<bool, kKeyTableSize> held{};  // buttons held at the last capture tick
};

// The next and previous function of the 1 / 2 keys.
int16_t NextKeyFunction(int16_t f);
int16_t PreviousKeyFunction(int16_t f);
// A row's label: the lane number, or "01ESC" .. "08★" for the system functions.
std::string KeyFunctionLabel(int16_t f);
// A row: the label, a tab, then "[code]" for every code mapped to f.
std::string KeyListRow(const KeyTableArray& table, int16_t f);

// Loading: resets `KeyTable` and reloads it from the key table file (the
// default table when it cannot be read), then copies it into the model.
void LoadKeyConfig(Game& game, KeyConfigModel& model);
void RefreshKeyList(KeyConfigModel& model);
// Clicking a list row: its first two characters give the function.
void SelectKeyRow(KeyConfigModel& model, int row);
// A newly pressed button: 3 (key 2) next function, 2 (key 1) previous one,
// anything else is assigned to the current function.
void btnDown(KeyConfigModel& model, int code);
void SetDefault(KeyConfigModel& model);
void ClearKeyConfig(KeyConfigModel& model);
void SetJoyXY(Game& game, KeyConfigModel& model, bool enabled);
// OK: the working table becomes `KeyTable` and is written to the file.
bool KeyConfigOK(Game& game, KeyConfigModel& model);
// Cancel: nothing is kept.
void KeyConfigCancel(Game& game, KeyConfigModel& model);

// The buttons held now (keyboard, and joysticks with the stick directions when
// `JoyXYEnable` is set), by button code.
std::array<bool, kKeyTableSize> HeldButtons(Game& game);
// One capture tick: polls the joysticks and passes every newly pressed button
// to btnDown. Returns true when something was pressed.
bool KeyConfigTick(Game& game, KeyConfigModel& model);
// The same without polling: run after each input event so that a press and
// release between two ticks is not lost.
bool KeyConfigCapture(Game& game, KeyConfigModel& model);

// Opens the key configuration window and runs it until OK, cancel or close.
void OpenKeyConfigWindow(Game& game);

}  // namespace kvx
