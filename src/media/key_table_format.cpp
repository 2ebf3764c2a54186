#include "media/key_table_format.h"

#include <utility>

#include "platform/files.h"

namespace kvx {

void ApplyDefaultKeyTable(KeyTableArray& table) {
  static const std::pair<int, int16_t> kDefaults[] = {
      {44, 11}, {31, 12}, {45, 13}, {32, 14}, {46, 15}, {33, 18}, {47, 19}, {57, 16}, {42, 16},
      {49, 21}, {36, 22}, {50, 23}, {37, 24}, {51, 25}, {38, 26}, {52, 28}, {28, 29}, {54, 29}};
  for (const auto& [code, function] : kDefaults) table[code] = function;
}

std::string EncodeKeyTable(const KeyTableArray& table) {
  std::string bytes(kKeyTableFileSize, '\0');
  for (int i = 0; i < kKeyTableSize; ++i) {
    uint16_t v = static_cast<uint16_t>(table[i]);
    bytes[2 * i] = static_cast<char>(v & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(v >> 8);
  }
  return bytes;
}

std::optional<KeyTableArray> DecodeKeyTable(const std::string& bytes) {
  if (bytes.size() < kKeyTableFileSize) return std::nullopt;
  KeyTableArray table{};
  for (int i = 0; i < kKeyTableSize; ++i) {
    uint16_t v = static_cast<uint8_t>(bytes[2 * i]) | (static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    table[i] = static_cast<int16_t>(v);
  }
  return table;
}

bool KeyFunctionValid(int16_t f) { return (f >= 0 && f <= 8) || (f >= 11 && f <= 19) || (f >= 21 && f <= 29); }

bool WriteKeyTableFile(const std::string& path, const KeyTableArray& table, std::string* error) {
  return WriteFileSafely(path, EncodeKeyTable(table), true, error);
}

}  // namespace kvx
