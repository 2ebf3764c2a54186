#pragma once
// The four sorts of song select. Each reorders the whole SongList (and its
// SongMarks with it) in ascending order of its key; entries with equal keys
// follow in title order, then by file path, so a sort always gives the same
// order whatever order the list was in. The cursor stays on the same entry.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

struct Game;

enum class SongSort { None, Level, Genre, Title, Artist };

void SortSongList(Game& game, SongSort sort);
// "LEVEL", "GENRE", "TITLE", "ARTIST"; empty for None.
const char* SortName(SongSort sort);

void SortByLevel(Game& game);
void SortByGenre(Game& game);
void SortByTitle(Game& game);
void SortByArtist(Game& game);

// The comparison key of a text: every letter in lower case (Unicode simple
// case mapping, so "Ä" and "ä", "Ａ" and "ａ" compare equal); UTF-8 byte
// order then follows code point order.
std::string TextSortKey(std::string_view utf8);

}  // namespace kvx
