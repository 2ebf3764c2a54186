// The list file reader (".kbl" jukeboxes, ".KPL" play lists), fed the bytes of
// a list file, and what loading a list does with its records.
#include "fuzz_game.h"
#include "library/list_file.h"
#include "library/song_search.h"

using namespace kvx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  const DecodedList list = DecodeListFile(bytes);
  // Never more records than the bytes can hold.
  if (bytes.size() >= kListHeaderBytes &&
      list.entries.size() > (bytes.size() - kListHeaderBytes) / kMinListRecordBytes)
    fuzz::Fail();
  int64_t total = 0;
  for (const SongEntry& e : list.entries) total += e.LengthMs;
  FormatPlayTime(total);

  // Written again, the records are the same bytes (the header's first 20
  // bytes are not read, and nothing past the records is).
  if (list.complete) {
    const std::string again = EncodeListFile(list.entries);
    if (bytes.size() < again.size() || bytes.substr(20, again.size() - 20) != std::string_view(again).substr(20))
      fuzz::Fail();
  }
  return 0;
}
