#include "platform/text.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>

namespace kvx {

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t extra;
    uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      unsigned char d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    static const uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

// Converts with iconv, replacing what cannot be converted.
static std::string Convert(std::string_view in, const char* from, const char* to,
                           std::string_view replacement, size_t bad_unit) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  out.reserve(in.size() * 3 / 2 + 8);
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char buffer[4096];
  while (src_left > 0) {
    char* dst = buffer;
    size_t dst_left = sizeof buffer;
    size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    out.append(buffer, dst - buffer);
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // EILSEQ or EINVAL: skip the offending unit and go on.
      out.append(replacement);
      size_t skip = std::min(bad_unit, src_left);
      if (bad_unit > 1 && src_left > 0) {
        // A UTF-8 sequence: skip the lead byte and its continuation bytes.
        skip = 1;
        while (skip < src_left && (static_cast<unsigned char>(src[skip]) & 0xC0) == 0x80) ++skip;
      }
      src += skip;
      src_left -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

std::string Cp932ToUtf8(std::string_view bytes) {
  return Convert(bytes, "CP932", "UTF-8", "\xEF\xBF\xBD", 1);
}

std::string Utf8ToCp932(std::string_view utf8) { return Convert(utf8, "UTF-8", "CP932", "?", 2); }

std::string DecodeText(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Cp932ToUtf8(bytes);
}

std::string ReplaceInvalidUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    const size_t length = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (length > 0 && IsValidUtf8(bytes.substr(i, length)) && i + length <= bytes.size()) {
      out.append(bytes.substr(i, length));
      i += length;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return out;
}

std::string Cp949ToUtf8(std::string_view bytes) {
  return Convert(bytes, "CP949", "UTF-8", "\xEF\xBF\xBD", 1);
}

namespace {

bool InRange(unsigned char c, unsigned char lo, unsigned char hi) { return c >= lo && c <= hi; }

// Every byte above 0x7F is the lead of a CP949 double-byte character.
bool PairsAsCp949(std::string_view s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) continue;
    if (!InRange(c, 0x81, 0xFE) || i + 1 >= s.size()) return false;
    const unsigned char t = static_cast<unsigned char>(s[++i]);
    if (!(InRange(t, 0x41, 0x5A) || InRange(t, 0x61, 0x7A) || InRange(t, 0x81, 0xFE))) return false;
  }
  return true;
}

// Whether the bytes are valid Shift-JIS, and how many half-width katakana it reads.
bool ReadsAsShiftJis(std::string_view s, size_t* halfWidthKana) {
  *halfWidthKana = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) continue;
    if (InRange(c, 0xA1, 0xDF)) {
      ++*halfWidthKana;
      continue;
    }
    if (!(InRange(c, 0x81, 0x9F) || InRange(c, 0xE0, 0xFC)) || i + 1 >= s.size()) return false;
    const unsigned char t = static_cast<unsigned char>(s[++i]);
    if (!(InRange(t, 0x40, 0x7E) || InRange(t, 0x80, 0xFC))) return false;
  }
  return true;
}

// Decoded text without U+FFFD (bytes that did not decode) and without
// private-use characters (U+E000..U+F8FF: the user-defined rows of CP932,
// which no chart text means).
bool CleanlyDecoded(std::string_view utf8) {
  for (size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c == 0xEE) return false;
    if (c == 0xEF && i + 1 < utf8.size()) {
      const unsigned char d = static_cast<unsigned char>(utf8[i + 1]);
      if (d <= 0xA3) return false;                                                 // U+F000..U+F8FF
      if (d == 0xBF && i + 2 < utf8.size() && utf8[i + 2] == '\xBD') return false;  // U+FFFD
    }
  }
  return true;
}

}  // namespace

bool LooksLikeCp949(std::string_view bytes) {
  if (!PairsAsCp949(bytes)) return false;
  // Shift-JIS wins when the whole text is clean Shift-JIS without half-width
  // katakana (the Hangul lead bytes 0xB0..0xC8 are half-width katakana there).
  size_t kana = 0;
  if (ReadsAsShiftJis(bytes, &kana) && kana == 0 && CleanlyDecoded(Cp932ToUtf8(bytes))) return false;
  return CleanlyDecoded(Cp949ToUtf8(bytes));
}

std::string DecodeChartBytes(std::string_view bytes, bool allowKorean, const char** encoding) {
  const char* name = "UTF-8";
  std::string text;
  if (IsValidUtf8(bytes)) {
    text = std::string(bytes);
  } else if (allowKorean && LooksLikeCp949(bytes)) {
    name = "EUC-KR";
    text = Cp949ToUtf8(bytes);
  } else {
    name = "Shift-JIS";
    text = Cp932ToUtf8(bytes);
  }
  if (encoding) *encoding = name;
  return text;
}

size_t Utf8Length(std::string_view s) {
  size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::string Utf8Left(std::string_view s, size_t n) {
  size_t count = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (count == n) return std::string(s.substr(0, i));
      ++count;
    }
  }
  return std::string(s);
}

std::string ToUpperAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

std::string ToLowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return r;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ToUpperAscii(a) == ToUpperAscii(b);
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && EqualsNoCase(s.substr(s.size() - suffix.size()), suffix);
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == separator) {
      parts.emplace_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(b, e - b));
}

}  // namespace kvx
