// The startup menu's reader of the search-folder file, fed the file's bytes:
// the list it reads is written back and read again unchanged, and the folder
// texts survive the round trip byte for byte.
#include "fuzz_game.h"
#include "menu/search_folders.h"

using namespace kvx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  if (LooksBinary(bytes)) return 0;  // the menu reads such a file as empty
  const std::string_view text = bytes.substr(0, bytes.find('\0'));
  const SearchFolderList list = ParseSearchFolderText(text);
  for (const SearchFolderEntry& e : list.entries)
    if (e.folder.find_first_of("\r\n") != std::string::npos) fuzz::Fail();
  const std::string written = SearchFolderFileText(list);
  const SearchFolderList again = ParseSearchFolderText(written);
  if (again.entries != list.entries || again.comment_block != list.comment_block) fuzz::Fail();
  if (SearchFolderFileText(again) != written) fuzz::Fail();
  // Adding a listed folder again finds it listed already (the first ones, to
  // keep each input quick).
  SearchFolderList copy = list;
  for (size_t i = 0; i < list.entries.size() && i < 64; ++i)
    if (AddSearchFolder(copy, list.entries[i].folder, "/home/player/korvex") == AddFolderResult::Added) fuzz::Fail();
  return 0;
}
