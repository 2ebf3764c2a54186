#include "screens/song_sort.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <utility>

#include "app/game.h"

namespace kvx {

namespace {

// The entries' order under a sort: by the key, then the title, then the path.
template <typename Key>
std::vector<int32_t> SortedOrder(const std::vector<SongEntry>& list, const std::vector<Key>& keys) {
  std::vector<std::string> titles;
  titles.reserve(list.size());
  for (const SongEntry& e : list) titles.push_back(TextSortKey(e.Title));
  std::vector<int32_t> order(list.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i);
  std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
    if (keys[a] != keys[b]) return keys[a] < keys[b];
    if (titles[a] != titles[b]) return titles[a] < titles[b];
    return list[a].FilePath < list[b].FilePath;
  });
  return order;
}

// Puts the entries (and their marks) in that order; the cursor follows its entry.
void ApplyOrder(Game& g, const std::vector<int32_t>& order) {
  LibraryState& l = g.library;
  std::vector<SongEntry> sorted;
  std::vector<bool> marks;
  sorted.reserve(order.size());
  marks.reserve(order.size());
  l.SongMarks.resize(l.SongList.size(), false);
  int32_t cursor = g.app.ListCursor;
  for (size_t place = 0; place < order.size(); ++place) {
    const int32_t index = order[place];
    sorted.push_back(std::move(l.SongList[index]));
    marks.push_back(l.SongMarks[index]);
    if (index == g.app.ListCursor) cursor = static_cast<int32_t>(place);
  }
  l.SongList = std::move(sorted);
  l.SongMarks = std::move(marks);
  g.app.ListCursor = cursor;
}

template <typename KeyOf>
void SortByText(Game& g, KeyOf key_of) {
  std::vector<std::string> keys;
  keys.reserve(g.library.SongList.size());
  for (const SongEntry& e : g.library.SongList) keys.push_back(TextSortKey(key_of(e)));
  ApplyOrder(g, SortedOrder(g.library.SongList, keys));
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
  ApplyOrder(g, SortedOrder(g.library.SongList, keys));
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

void SortSongList(Game& g, SongSort sort) {
  switch (sort) {
    case SongSort::Level: SortByLevel(g); break;
    case SongSort::Genre: SortByGenre(g); break;
    case SongSort::Title: SortByTitle(g); break;
    case SongSort::Artist: SortByArtist(g); break;
    case SongSort::None: break;
  }
}

const char* SortName(SongSort sort) {
  switch (sort) {
    case SongSort::Level: return "LEVEL";
    case SongSort::Genre: return "GENRE";
    case SongSort::Title: return "TITLE";
    case SongSort::Artist: return "ARTIST";
    default: return "";
  }
}

}  // namespace kvx
