// The settings file reader, fed the bytes of a settings file, and the writer
// that keeps the file's other contents: once written, writing again with
// nothing changed gives the same bytes.
#include <optional>
#include <string>

#include "app/settings.h"
#include "fuzz_game.h"

using namespace kvx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::optional<std::string> bytes{std::string(fuzz::Bytes(data, size))};
  auto first = fuzz::MakeGame();
  first->SetProgramFolder("/nonexistent-kvx-fuzz");
  first->log.SetPath("");
  LoadSettingsBytes(*first, bytes);
  std::string written;
  if (!EncodeSettings(*first, bytes, written)) return 0;

  auto second = fuzz::MakeGame();
  second->SetProgramFolder("/nonexistent-kvx-fuzz");
  second->log.SetPath("");
  LoadSettingsBytes(*second, written);
  std::string again;
  if (!EncodeSettings(*second, written, again) || again != written) fuzz::Fail();
  return 0;
}
