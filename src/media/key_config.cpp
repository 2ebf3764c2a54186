#include "media/key_config.h"

#include <algorithm>

#include "app/game.h"
#include "app/key_table.h"
#include "media/input.h"
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
  for (int c = 0; c < kKeyTableSize; ++c)
    if (table[c] == f) row += "[" + std::to_string(c) + "]";
  return row;
}

void RefreshKeyList(KeyConfigModel& m) {
  m.row_functions.clear();
  m.rows.clear();
  for (int16_t f = 11; f <= 29; ++f)
    if (f != 20) m.row_functions.push_back(f);
  for (int16_t f = 1; f <= 8; ++f) m.row_functions.push_back(f);
  for (int16_t f : m.row_functions) m.rows.push_back(KeyListRow(m.work, f));
}

void LoadKeyConfig(Game& g, KeyConfigModel& m) {
  m.joystick_count = JoystickCount(g);
  m.xy = g.settings.JoyXYEnable;
  g.app.KeyTable.fill(0);
  auto bytes = ReadFileBytes(KeyTablePath(g));
  auto table = bytes ? DecodeKeyTable(*bytes) : std::nullopt;
  if (table) {
    g.app.KeyTable = *table;
  } else {
    if (bytes) DebugLog(g, "# Key-config file is broken. Load default setting.");
    ApplyDefaultKeyTable(g.app.KeyTable);
  }
  m.work = g.app.KeyTable;
  // Buttons already held when the window opens are not captures.
  m.held = HeldButtons(g);
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

void SetDefault(KeyConfigModel& m) {
  ApplyDefaultKeyTable(m.work);
  RefreshKeyList(m);
}

void ClearKeyConfig(KeyConfigModel& m) {
  m.work.fill(0);
  RefreshKeyList(m);
}

void SetJoyXY(Game& g, KeyConfigModel& m, bool enabled) {
  m.xy = enabled;
  g.settings.JoyXYEnable = enabled;
}

bool KeyConfigOK(Game& g, KeyConfigModel& m) {
  g.app.KeyTable = m.work;
  if (SaveKeyTable(g)) {
    DebugLog(g, "Key-config saved.");
    return true;
  }
  DebugLog(g, "Error: Can't write the key-config file: " + KeyTablePath(g));
  return false;
}

void KeyConfigCancel(Game& g, KeyConfigModel& m) { m.work = g.app.KeyTable; }

std::array<bool, kKeyTableSize> HeldButtons(Game& g) {
  std::array<bool, kKeyTableSize> held{};
  uint8_t keys[256];
  ReadKeyboardState(g, keys);
  for (int c = 0; c < 256; ++c) held[c] = keys[c] != 0;
  for (int j = 0; j < JoystickCount(g) && j < 2; ++j) {
    JoystickSnapshot s = ReadJoystick(g, j);
    int base = 256 + 40 * j;
    if (g.settings.JoyXYEnable) {
      held[base + 0] = s.x < -100;
      held[base + 1] = s.x > 100;
      held[base + 2] = s.y < -100;
      held[base + 3] = s.y > 100;
    }
    for (int b = 0; b < 32; ++b) held[base + 4 + b] = s.buttons[b] != 0;
  }
  return held;
}

bool KeyConfigTick(Game& g, KeyConfigModel& m) {
  PollJoysticks(g);
  return KeyConfigCapture(g, m);
}

bool KeyConfigCapture(Game& g, KeyConfigModel& m) {
  std::array<bool, kKeyTableSize> now = HeldButtons(g);
  bool pressed = false;
  for (int c = 0; c < kKeyTableSize; ++c) {
    if (now[c] && !m.held[c]) {
      btnDown(m, c);
      pressed = true;
    }
  }
  m.held = now;
  return pressed;
}

}  // namespace kvx
