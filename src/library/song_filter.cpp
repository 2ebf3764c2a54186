#include "library/song_filter.h"

#include "platform/text.h"

namespace kvx {

bool SongMatches(const SongEntry& e, std::string_view text) {
  if (text.empty()) return true;
  const std::string wanted = ToUpperAscii(text);
  for (const std::string* field : {&e.Title, &e.Artist, &e.Genre})
    if (ToUpperAscii(*field).find(wanted) != std::string::npos) return true;
  return false;
}

std::vector<SongEntry> FilterSongs(const std::vector<SongEntry>& list, std::string_view text) {
  std::vector<SongEntry> kept;
  for (const SongEntry& e : list)
    if (SongMatches(e, text)) kept.push_back(e);
  return kept;
}

}  // namespace kvx
