// The search-folder file, fed its bytes: the folder lines the chart search
// walks and the list file each one would get. The folders are not walked.
#include "fuzz_game.h"
#include "library/bms_search.h"
#include "platform/files.h"
#include "platform/text.h"

using namespace kvx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  auto game = fuzz::MakeGame();
  game->SetProgramFolder("/home/player/korvex");
  game->log.SetPath("");
  for (const std::string& line : SearchFolderLines(*game, DecodeText(bytes.substr(0, bytes.find('\0'))))) {
    if (line.empty()) fuzz::Fail();
    std::string folder = NormalizeSeparators(line);
    if (!folder.empty() && folder.back() == '/') folder.pop_back();
    FileNameOf(folder);
  }
  return 0;
}
