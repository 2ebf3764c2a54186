#include "media/key_config.h"

#include <algorithm>

#include "platform/files.h"

namespace kvx {
namespace {

// The order of the 1 / 2 keys: the system functions, then each side's lanes
// with the two scratch lanes last.
constexpr int16_t kOrder[] = {1,  2,  3,  4,  5,  6,  7,  8,  11, 12, 13, 14, 15, 18, 19, 16, 17,
                              21, 22, 23, 24, 25, 28, 29, 26, 27};
constexpr int kOrderSize = sizeof(kOrder) / sizeof(kOrder[0]);

int OrderIndex(int16_t f) {
  for (int i = 0; i < kOrderSize; ++i)
    if (kOrder[i] == f) return i;
  return -1;
}

}  // namespace

int16_t NextKeyFunction(int16_t f) {
  int i = OrderIndex(f);
  return i < 0 ? kOrder[0] : kOrder[(i + 1) % kOrderSize];
}

int16_t PreviousKeyFunction(int16_t f) {
  int i = OrderIndex(f);
  if (i < 0) return kOrder[0];
  if (i == 0) return 25;  // the step back from the first function lands on 25
  return kOrder[i - 1];
}

std::string KeyFunctionLabel(int16_t f) {
  static const char* const kSystem[] = {"01ESC", "02TAB", "03Enter", "04↑", "05↓", "06←", "07→", "08★"};
  if (f >= 1 && f <= 8) return kSystem[f - 1];
  return std::to_string(f);
}

std::string KeyListRow(const KeyTableArray& table, int16_t f) {
  std::string row = KeyFunctionLabel(f) + "\t";
  for (int c : KeyBindings(table, f)) row += "[" + std::to_string(c) + "]";
  return row;
}

std::vector<int> KeyBindings(const KeyTableArray& table, int16_t f) {
  std::vector<int> codes;
  for (int c = 0; c < kKeyTableSize; ++c)
    if (table[c] == f) codes.push_back(c);
  return codes;
}

void RefreshKeyList(KeyConfigModel& m) {
  m.row_functions.clear();
  m.rows.clear();
  for (int16_t f = 11; f <= 29; ++f)
    if (f != 20) m.row_functions.push_back(f);
  for (int16_t f = 1; f <= 8; ++f) m.row_functions.push_back(f);
  for (int16_t f : m.row_functions) m.rows.push_back(KeyListRow(m.work, f));
}

void LoadKeyConfig(const KeyConfigTarget& t, bool joy_xy, bool modern, const Services& s, KeyConfigModel& m) {
  m.joystick_count = AttachedJoysticks(t.input);
  m.xy = joy_xy;
  m.modern = modern;
  m.current = modern ? 0 : 11;  // modern: nothing selected until a row is clicked
  t.key_table.fill(0);
  auto bytes = ReadFileBytes(t.path);
  auto table = bytes ? DecodeKeyTable(*bytes) : std::nullopt;
  if (table) {
    t.key_table = *table;
  } else {
    if (bytes) s.Log("# Key-config file is broken. Load default setting.");
    ApplyDefaultKeyTable(t.key_table);
  }
  m.work = t.key_table;
  // Buttons already held when the window opens are not captures.
  m.held = HeldButtons(t.input, m.xy);
  m.shift_used = false;
  m.shift_pressed = 0;
  RefreshKeyList(m);
}

void SelectKeyRow(KeyConfigModel& m, int row) {
  if (row < 0 || row >= static_cast<int>(m.rows.size())) return;
  const std::string& text = m.rows[row];
  if (text.size() < 2 || text[0] < '0' || text[0] > '9' || text[1] < '0' || text[1] > '9') return;
  m.current = static_cast<int16_t>((text[0] - '0') * 10 + (text[1] - '0'));
}

void btnDown(KeyConfigModel& m, int code) {
  if (code == 3) {
    m.current = NextKeyFunction(m.current);
  } else if (code == 2) {
    m.current = PreviousKeyFunction(m.current);
  } else if (code >= 0 && code < kKeyTableSize) {
    m.work[code] = m.current;
    RefreshKeyList(m);
  }
}

void BindButton(KeyConfigModel& m, int code, bool add) {
  if (code < 0 || code >= kKeyTableSize) return;
  if (!add)
    for (int16_t& f : m.work)
      if (f == m.current) f = 0;
  m.work[code] = m.current;
  RefreshKeyList(m);
}

void RemoveBinding(KeyConfigModel& m, int code) {
  if (code < 0 || code >= kKeyTableSize) return;
  m.work[code] = 0;
  RefreshKeyList(m);
}

void SetDefault(KeyConfigModel& m) {
  ApplyDefaultKeyTable(m.work);
  RefreshKeyList(m);
}

void ClearKeyConfig(KeyConfigModel& m) {
  m.work.fill(0);
  RefreshKeyList(m);
}

bool KeyConfigOK(const KeyConfigTarget& t, const Services& s, KeyConfigModel& m) {
  t.key_table = m.work;
  std::string error;
  if (WriteKeyTableFile(t.path, t.key_table, &error)) {
    s.Log("Key-config saved.");
    return true;
  }
  s.Log("Error: Can't write the key-config file: " + t.path + " (" + error + ")");
  return false;
}

void KeyConfigCancel(const KeyConfigTarget& t, KeyConfigModel& m) { m.work = t.key_table; }

int AttachedJoysticks(const InputState& in) { return std::max(static_cast<int>(in.attached.size()), in.slots_used); }

std::array<bool, kKeyTableSize> HeldButtons(const InputState& in, bool joy_xy) {
  std::array<bool, kKeyTableSize> held{};
  for (int c = 0; c < 256; ++c) held[c] = in.keys[c] != 0;
  for (int j = 0; j < 2; ++j) {
    if (!in.joy[j].used) continue;
    const JoystickSnapshot& s = in.joy[j].state;
    const int base = 256 + 40 * j;
    if (joy_xy) {
      held[base + 0] = s.x < -100;
      held[base + 1] = s.x > 100;
      held[base + 2] = s.y < -100;
      held[base + 3] = s.y > 100;
    }
    for (int b = 0; b < 32; ++b) held[base + 4 + b] = s.buttons[b] != 0;
  }
  return held;
}

namespace {

bool IsShift(int code) { return code == kLeftShiftCode || code == kRightShiftCode; }

// The modern capture of one change of a button. Without a selected function
// a press only lights its lane; a binding in place of the row's keys ends the
// selection, adding with Shift held keeps it until Shift is let go.
void ModernCapture(KeyConfigModel& m, const std::array<bool, kKeyTableSize>& now, int code, bool down) {
  const bool shift_held = now[kLeftShiftCode] || now[kRightShiftCode];
  const int shift_bit = code == kLeftShiftCode ? 1 : 2;
  if (down && !IsShift(code)) {
    if (m.current == 0) return;
    BindButton(m, code, shift_held);
    if (shift_held) m.shift_used = true;
    else m.current = 0;
  } else if (down) {
    m.shift_pressed |= shift_bit;
  } else if (IsShift(code) && (m.shift_pressed & shift_bit)) {
    m.shift_pressed &= ~shift_bit;
    if (m.current == 0) return;
    if (!m.shift_used) BindButton(m, code, shift_held);  // the other Shift still held adds it
    if (!m.shift_used || !shift_held) m.current = 0;
  }
}

}  // namespace

bool KeyConfigCapture(const InputState& in, KeyConfigModel& m) {
  const std::array<bool, kKeyTableSize> now = HeldButtons(in, m.xy);
  bool pressed = false;
  for (int c = 0; c < kKeyTableSize; ++c) {
    if (now[c] == m.held[c]) continue;
    if (now[c]) pressed = true;
    if (m.modern) ModernCapture(m, now, c, now[c]);
    else if (now[c]) btnDown(m, c);
  }
  if (!now[kLeftShiftCode] && !now[kRightShiftCode]) m.shift_used = false;
  m.held = now;
  return pressed;
}

std::array<bool, 30> LitFunctions(const KeyConfigModel& m) {
  std::array<bool, 30> lit{};
  for (int c = 0; c < kKeyTableSize; ++c)
    if (m.held[c] && m.work[c] > 0 && m.work[c] < 30) lit[m.work[c]] = true;
  return lit;
}

}  // namespace kvx
