#pragma once
// The key table: button code (0..400) to function number, and its file
// "_kvxfiles/kvx_keycnf.dat" (401 little-endian 16-bit values, 802 bytes).
#include <optional>
#include <string>

#include "app/app_state.h"

namespace kvx {

struct Game;

constexpr size_t kKeyTableFileSize = kKeyTableSize * 2;

// Sets only the entries of the default table; the others keep their values.
void ApplyDefaultKeyTable(KeyTableArray& table);
std::string EncodeKeyTable(const KeyTableArray& table);
// Nothing when the data is shorter than 802 bytes (the read fails).
std::optional<KeyTableArray> DecodeKeyTable(const std::string& bytes);
// Whether a table entry is a function a button can have: 0 (none), 1..8 (the
// system functions) or a lane, 11..19 and 21..29.
bool KeyFunctionValid(int16_t function);

std::string KeyTablePath(const Game& game);
// Loads the key table at start-up, with the default table when the file is
// missing and a notice when it cannot be read. A file that is too short or
// holds a value no button can have is set aside as damaged.
void LoadKeyTable(Game& game);
bool SaveKeyTable(Game& game);

}  // namespace kvx
