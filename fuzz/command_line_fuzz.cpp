// The command line: our own long options, then the program's own options,
// charts and play lists. The target runs in a folder of its own holding a
// chart and a play list, so that "a.bms" and "list.kpl" name real files.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/command_line.h"
#include "fuzz_game.h"
#include "library/list_file.h"
#include "platform/files.h"

using namespace kvx;

namespace {

std::string folder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  folder = fuzz::MakeScratchFolder("/tmp/kvx-fuzz-command-line-");
  WriteFileBytes(folder + "/a.bms", "\r\n#TITLE a\r\n#BPM 150\r\n#00111:01\r\n");
  SongEntry entry;
  entry.Title = "a";
  entry.FilePath = folder + "/a.bms";
  WriteFileBytes(folder + "/list.kpl", EncodeListFile({entry, entry}));
  WriteFileBytes(folder + "/broken.KPL", "kvx_juke");
  if (chdir(folder.c_str()) != 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(fuzz::Bytes(data, size));
  std::string error;
  const OwnOptions options = ParseOwnOptions(SplitCommandLine(text), &error);
  auto game = fuzz::MakeGame();
  ParseCommandLine(*game, options.rest);
  return 0;
}
