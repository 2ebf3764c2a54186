#pragma once
// The key table: button code (0..400) to function number, and the bytes of its
// file "_kvxfiles/kvx_keycnf.dat" (401 little-endian 16-bit values, 802 bytes).
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace kvx {

constexpr int kKeyTableSize = 401;
using KeyTableArray = std::array<int16_t, kKeyTableSize>;
constexpr size_t kKeyTableFileSize = kKeyTableSize * 2;

// Sets only the entries of the default table; the others keep their values.
void ApplyDefaultKeyTable(KeyTableArray& table);
std::string EncodeKeyTable(const KeyTableArray& table);
// Nothing when the data is shorter than 802 bytes (the read fails).
std::optional<KeyTableArray> DecodeKeyTable(const std::string& bytes);
// Whether a table entry is a function a button can have: 0 (none), 1..8 (the
// system functions) or a lane, 11..19 and 21..29.
bool KeyFunctionValid(int16_t function);
// Writes the table to its file safely. The file is written in place and never
// shortened: a longer file keeps its bytes past the table.
bool WriteKeyTableFile(const std::string& path, const KeyTableArray& table, std::string* error);

}  // namespace kvx
