#include "app/key_table.h"

#include "app/damaged_file.h"
#include "app/game.h"
#include "app/texts.h"
#include "platform/files.h"
#include "platform/message_box.h"

namespace kvx {

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

bool SaveKeyTable(Game& g) {
  std::string error;
  if (WriteKeyTableFile(KeyTablePath(g), g.app.KeyTable, &error)) return true;
  DebugLog(g, "Error: Can't write the key table: " + error);
  return false;
}

}  // namespace kvx
