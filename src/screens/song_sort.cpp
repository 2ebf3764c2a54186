#include "screens/song_sort.h"

#include <locale.h>
#include <wctype.h>

#include <utility>

#include "app/game.h"
#include "chart/position_sort.h"

namespace kvx {

namespace {

// Sorts a permutation of the keys; the comparisons and swaps are those of the
// quicksort run on the entries themselves, so the result is the same order.
template <typename Key>
std::vector<int32_t> SortedOrder(const std::vector<Key>& keys) {
  std::vector<int32_t> order(keys.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i);
  QuickSortByKey(order.data(), static_cast<int32_t>(order.size()),
                 [&keys](int32_t index) -> const Key& { return keys[index]; });
  return order;
}

void ApplyOrder(Game& g, const std::vector<int32_t>& order) {
  auto& list = g.library.SongList;
  std::vector<SongEntry> sorted;
  sorted.reserve(list.size());
  for (int32_t index : order) sorted.push_back(std::move(list[index]));
  list = std::move(sorted);
}

template <typename KeyOf>
void SortByText(Game& g, KeyOf key_of) {
  std::vector<std::string> keys;
  keys.reserve(g.library.SongList.size());
  for (const SongEntry& e : g.library.SongList) keys.push_back(TextSortKey(key_of(e)));
  ApplyOrder(g, QuickSortOrder(keys));
}

// A UTF-8 locale for the case mapping of letters beyond ASCII.
locale_t CaseLocale() {
  static locale_t locale = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (!l) l = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(0));
    return l;
  }();
  return locale;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

constexpr uint32_t kNotUtf8 = 0x110000;

// Decodes one character at `i`; a byte that does not start a valid sequence
// gives kNotUtf8 with length 1.
uint32_t NextCodePoint(std::string_view s, size_t i, size_t* length) {
  unsigned char lead = static_cast<unsigned char>(s[i]);
  *length = 1;
  size_t extra = lead >= 0xC2 && lead < 0xE0 ? 1 : lead >= 0xE0 && lead < 0xF0 ? 2 : lead >= 0xF0 && lead <= 0xF4 ? 3 : 0;
  if (extra == 0 || i + extra >= s.size()) return kNotUtf8;
  uint32_t cp = lead & (0x3F >> extra);
  for (size_t k = 1; k <= extra; ++k) {
    unsigned char c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return kNotUtf8;
    cp = (cp << 6) | (c & 0x3F);
  }
  *length = extra + 1;
  return cp;
}

}  // namespace

std::vector<int32_t> QuickSortOrder(const std::vector<int32_t>& keys) { return SortedOrder(keys); }
std::vector<int32_t> QuickSortOrder(const std::vector<std::string>& keys) { return SortedOrder(keys); }

std::string TextSortKey(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  locale_t locale = CaseLocale();
  for (size_t i = 0; i < s.size();) {
    unsigned char lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80) {  // the common case
      out += static_cast<char>(lead >= 'A' && lead <= 'Z' ? lead + ('a' - 'A') : lead);
      ++i;
      continue;
    }
    size_t length = 1;
    uint32_t cp = NextCodePoint(s, i, &length);
    if (cp == kNotUtf8) {
      out += static_cast<char>(lead);  // not UTF-8: kept as it is
    } else {
      if (locale) cp = static_cast<uint32_t>(towlower_l(static_cast<wint_t>(cp), locale));
      AppendUtf8(out, cp);
    }
    i += length;
  }
  return out;
}

void SortByLevel(Game& g) {
  std::vector<int32_t> keys;
  keys.reserve(g.library.SongList.size());
  for (const SongEntry& e : g.library.SongList) keys.push_back(e.PlayLevel);
  ApplyOrder(g, QuickSortOrder(keys));
}

void SortByGenre(Game& g) {
  SortByText(g, [](const SongEntry& e) -> const std::string& { return e.Genre; });
}

void SortByTitle(Game& g) {
  SortByText(g, [](const SongEntry& e) -> const std::string& { return e.Title; });
}

void SortByArtist(Game& g) {
  SortByText(g, [](const SongEntry& e) -> const std::string& { return e.Artist; });
}

}  // namespace kvx
