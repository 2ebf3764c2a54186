#include "media/button_names.h"

#include <SDL_keyboard.h>

#include <array>
#include <string_view>

#include "media/scancode_table.h"

namespace kvx {
namespace {

// Keys whose SDL name is empty or reads unlike the key's label.
std::string_view OwnKeyName(int code) {
  switch (code) {
    case 0x1C: return "Enter";
    case 0x9C: return "Keypad Enter";
    case 0x70: return "Kana";
    case 0x73: return "Ro";
    case 0x79: return "Henkan";
    case 0x7B: return "Muhenkan";
    case 0x7D: return "Yen";
    default: return {};
  }
}

// The keyboard key codes' names, from the first SDL scancode of each code.
const std::array<std::string, 256>& KeyNames() {
  static const std::array<std::string, 256> names = [] {
    std::array<std::string, 256> n;
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
      const int code = KeyCodeOfScancode(sc);
      if (code == 0 || !n[code].empty()) continue;
      const std::string_view own = OwnKeyName(code);
      n[code] = own.empty() ? SDL_GetScancodeName(static_cast<SDL_Scancode>(sc)) : std::string(own);
    }
    return n;
  }();
  return names;
}

}  // namespace

std::string ButtonName(int code, const ButtonWords& w) {
  if (code >= 0 && code < 256 && !KeyNames()[code].empty()) return KeyNames()[code];
  if (code >= 256 && code < 256 + 2 * 40) {
    const int j = (code - 256) / 40, k = (code - 256) % 40;
    const std::string joy = std::string(w.joystick) + std::to_string(j + 1) + " ";
    if (k < 4) return joy + w.stick[k];
    if (k < 36) return joy + w.button + std::to_string(k - 3);
  }
  return w.code + std::to_string(code);
}

}  // namespace kvx
