// The key table file reader, fed the bytes of a key table file, and what the
// input and the key configuration do with the function numbers it holds.
#include "app/key_table.h"
#include "fuzz_game.h"
#include "media/input.h"
#include "media/key_config.h"
#include "screens/song_select_internal.h"

using namespace kvx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(fuzz::Bytes(data, size));
  const auto table = DecodeKeyTable(bytes);
  if (!table) {
    if (bytes.size() >= kKeyTableFileSize) fuzz::Fail();
    return 0;
  }
  // The table is written back as the same bytes (a longer file keeps its tail).
  if (EncodeKeyTable(*table) != bytes.substr(0, kKeyTableFileSize)) fuzz::Fail();

  auto game = fuzz::MakeGame();
  Game& g = *game;
  g.app.KeyTable = *table;
  for (int code = 0; code < kKeyTableSize; ++code) ssKeyCvt_Joy(g, static_cast<int16_t>(code));
  KeyConfigModel model;
  model.work = *table;
  RefreshKeyList(model);
  for (int row = 0; row < static_cast<int>(model.rows.size()); ++row) SelectKeyRow(model, row);
  return 0;
}
