#pragma once
// Narrowing a song list by a typed text.
#include <string_view>
#include <vector>

#include "library/library_state.h"

namespace kvx {

// True when the title, artist or genre holds the text, ignoring the case of
// Latin letters; an empty text matches every entry.
bool SongMatches(const SongEntry& entry, std::string_view text);
// The entries of `list` that match, in list order.
std::vector<SongEntry> FilterSongs(const std::vector<SongEntry>& list, std::string_view text);

}  // namespace kvx
