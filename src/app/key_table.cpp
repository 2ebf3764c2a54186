#include "app/key_table.h"

#include "app/damaged_file.h"
#include "app/game.h"
#include "app/texts.h"
#include "platform/files.h"
#include "platform/message_box.h"

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

namespace {

// Why the file's bytes are no key table; empty when they are one.
std::string KeyTableProblem(const std::optional<std::string>& bytes, const std::optional<KeyTableArray>& table) {
  if (!bytes) return "it cannot be read";
  if (!table) return "only " + std::to_string(bytes->size()) + " of " + std::to_string(kKeyTableFileSize) + " bytes";
  for (int code = 0; code < kKeyTableSize; ++code)
    if (!KeyFunctionValid((*table)[code]))
      return "button " + std::to_string(code) + " has function " + std::to_string((*table)[code]);
  return {};
}

}  // namespace

std::string KeyTablePath(const Game& game) { return game.paths.data + "/kvx_keycnf.dat"; }

void LoadKeyTable(Game& g) {
  g.app.KeyTable.fill(0);
  std::string path = KeyTablePath(g);
  if (!FileExists(path)) {
    DebugLog(g, "# Key-config file wasn't detected. Load default setting.");
    ApplyDefaultKeyTable(g.app.KeyTable);
    return;
  }
  auto bytes = ReadFileBytes(path);
  auto table = bytes ? DecodeKeyTable(*bytes) : std::nullopt;
  const std::string problem = KeyTableProblem(bytes, table);
  if (problem.empty()) {
    g.app.KeyTable = *table;
    DebugLog(g, "Key-config loaded.");
    return;
  }
  if (bytes) SetAsideDamagedFile(g, path, "key table", problem);
  ShowMessageBox("information", TextsOf(g).message_key_table_reset, MessageBoxKind::Information,
                 !g.options.headless);
  ApplyDefaultKeyTable(g.app.KeyTable);
}

// The key table file is written in place and never shortened: a longer file
// keeps its bytes past the table.
bool SaveKeyTable(Game& g) {
  std::string error;
  if (WriteFileSafely(KeyTablePath(g), EncodeKeyTable(g.app.KeyTable), true, &error)) return true;
  DebugLog(g, "Error: Can't write the key table: " + error);
  return false;
}

}  // namespace kvx
