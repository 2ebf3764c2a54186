#pragma once
// The key configuration window's model: a working copy of the key table, the
// function the next pressed button is assigned to, and the key list rows. The
// window (menu/key_config_window.cpp) only draws this and forwards clicks.
//
// Two ways of capturing: the classic one, where a press adds the button to the
// current function and the keys 1 / 2 move the selection, and the modern one,
// where a press replaces the function's buttons, a press with Shift held adds
// it, and every key (1 and 2 too) can be bound.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "media/input.h"
#include "media/key_table_format.h"
#include "platform/services.h"

namespace kvx {

constexpr int kLeftShiftCode = 0x2A;
constexpr int kRightShiftCode = 0x36;

struct KeyConfigModel {
  KeyTableArray work{};
  int16_t current = 11;                // the function the next button is assigned to (modern: 0 none)
  std::vector<int16_t> row_functions;  // the function of each list row
  std::vector<std::string> rows;       // the list rows ("16\t[42][57]")
  bool xy = false;                     // the "XY軸移動を検知" box
  bool modern = false;                 // the modern capture (see above)
  int joystick_count = 0;              // shown after the controller label
  std::array<bool, kKeyTableSize> held{};  // buttons held at the last capture tick
  bool shift_used = false;             // a Shift held now has added a button
  int shift_pressed = 0;               // Shift keys pressed in the window (1 left, 2 right)
};

// The game's parts the window works on: its key table, its input devices and
// the key table file.
struct KeyConfigTarget {
  KeyTableArray& key_table;
  const InputState& input;
  std::string path;
};

// The next and previous function of the 1 / 2 keys.
int16_t NextKeyFunction(int16_t f);
int16_t PreviousKeyFunction(int16_t f);
// A row's label: the lane number, or "01ESC" .. "08★" for the system functions.
std::string KeyFunctionLabel(int16_t f);
// A row: the label, a tab, then "[code]" for every code mapped to f.
std::string KeyListRow(const KeyTableArray& table, int16_t f);
// The codes mapped to f, ascending.
std::vector<int> KeyBindings(const KeyTableArray& table, int16_t f);

// Loading: resets the key table and reloads it from the key table file (the
// default table when it cannot be read), then copies it into the model.
void LoadKeyConfig(const KeyConfigTarget& target, bool joy_xy, bool modern, const Services& services,
                   KeyConfigModel& model);
void RefreshKeyList(KeyConfigModel& model);
// Clicking a list row: its first two characters give the function.
void SelectKeyRow(KeyConfigModel& model, int row);
// A newly pressed button (classic): 3 (key 2) next function, 2 (key 1)
// previous one, anything else is assigned to the current function.
void btnDown(KeyConfigModel& model, int code);
// Binds a button to the current function: with `add` beside its other
// buttons, else in their place. A button has one function, so it leaves the
// function it had.
void BindButton(KeyConfigModel& model, int code, bool add);
// Takes a button away from whatever function it has.
void RemoveBinding(KeyConfigModel& model, int code);
void SetDefault(KeyConfigModel& model);
void ClearKeyConfig(KeyConfigModel& model);
// OK: the working table becomes the key table and is written to the file.
bool KeyConfigOK(const KeyConfigTarget& target, const Services& services, KeyConfigModel& model);
// Cancel: nothing is kept.
void KeyConfigCancel(const KeyConfigTarget& target, KeyConfigModel& model);

// The buttons held now (keyboard, and joysticks with the stick directions when
// `joy_xy` is set), by button code.
std::array<bool, kKeyTableSize> HeldButtons(const InputState& input, bool joy_xy);
// The joysticks the devices found (all of them count, only two are used).
int AttachedJoysticks(const InputState& input);
// Compares the buttons held now with those of the last call and captures
// every change: classic, each press goes to btnDown; modern, a press binds to
// the selected function (adding while a Shift key is held) and ends the
// selection, a Shift key binds when it is let go without having added
// anything, and with nothing selected a press only lights its lane. Returns
// true when something was pressed.
bool KeyConfigCapture(const InputState& input, KeyConfigModel& model);
// The live test: by function (0..29), whether a button the working table maps
// to it is held.
std::array<bool, 30> LitFunctions(const KeyConfigModel& model);

}  // namespace kvx
