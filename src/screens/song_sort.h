#pragma once
// The four sorts of song select. Each reorders the whole SongList in
// ascending order with the iterative quicksort the song library uses for its
// timing events (median of three, Hoare partition, lower range first), so
// entries with equal keys end in the order that sort leaves them. ListCursor
// and SongMarks stay where they are.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

struct Game;

void SortByLevel(Game& game);
void SortByGenre(Game& game);
void SortByTitle(Game& game);
void SortByArtist(Game& game);

// The comparison key of a text: every letter in lower case (Unicode simple
// case mapping, so "Ä" and "ä", "Ａ" and "ａ" compare equal); UTF-8 byte
// order then follows code point order.
std::string TextSortKey(std::string_view utf8);

// The order the sort puts the keys in: result[i] is the index of the key
// that ends at place i.
std::vector<int32_t> QuickSortOrder(const std::vector<int32_t>& keys);
std::vector<int32_t> QuickSortOrder(const std::vector<std::string>& keys);

}  // namespace kvx
